#pragma once

#include <QObject>

class QWidget;

namespace app {

// Keyboard use of the window: Enter moves the focus to the next control in tab order, as Tab
// does (buttons and dialogs keep their own Enter), and an access letter shared by several
// buttons presses the first of them.
class EnterAsTab final : public QObject
{
    Q_OBJECT
public:
    // Acts on key presses inside window; install it on the application.
    explicit EnterAsTab(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_window;
};

} // namespace app
