#pragma once

#include <QWidget>

class QLabel;
class QTimer;

namespace update {

// An indeterminate progress bar: a 50 pixel gradient block from silver to green sweeping
// across the bar, redrawn every 10 ms while the bar is shown.
class GradientBar final : public QWidget
{
    Q_OBJECT

public:
    explicit GradientBar(QWidget* parent = nullptr);

    bool isRunning() const;
    int blockPosition() const { return m_position; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void step();

    QTimer* m_timer;
    int m_position = 0;
};

} // namespace update

// The busy window: no title bar, 211 x 51, centred on the screen and above other windows,
// a centred label and a running bar below it.
class Tpracuji final : public QWidget
{
    Q_OBJECT

public:
    explicit Tpracuji(QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const;
    update::GradientBar* bar() const { return m_bar; }

    // Moves the window to the middle of the screen it is on.
    void centre();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* m_label;
    update::GradientBar* m_bar;
};
