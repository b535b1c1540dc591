#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace app {

// The program's message dialogs: modal, captioned "Ledrana". A question has two or three
// buttons giving 1, 2 and 6; Enter presses the button giving 1, Esc the one giving 2, and
// closing the dialog gives 2.
class MessageDialog final
{
public:
    enum class Icon
    {
        Information,
        Question,
        Warning,
        Stop,
        Help
    };

    // Information dialog with one button "OK".
    static void info(QWidget* parent, const QString& text);
    // Question dialog; buttons in order give 1, 2, 6.
    static int question(QWidget* parent, const QString& text, const QStringList& buttons, Icon icon = Icon::Question);
    // The system's error box: error icon, one button "OK", caption "Ledrana".
    static void error(QWidget* parent, const QString& text);

    // Test hook: the next dialogs are answered from this queue instead of being shown
    // (an information dialog takes one answer too); what would have been shown is recorded.
    struct Shown
    {
        QString text;
        QStringList buttons;
        Icon icon;
        bool isError = false;
    };
    static void queueAnswers(const QList<int>& answers);
    static void setAutoAnswer(bool on, int answer = 1); // answer every dialog without a queue
    static QList<Shown> takeShown();
    static bool hasPendingAnswers();
};

} // namespace app
