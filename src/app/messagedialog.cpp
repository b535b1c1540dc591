#include "app/messagedialog.h"

#include <QApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace app {
namespace {

QList<int> g_answers;
QList<MessageDialog::Shown> g_shown;
bool g_auto = false;
int g_autoAnswer = 1;

bool testAnswer(const MessageDialog::Shown& shown, int* answer)
{
    if (g_answers.isEmpty() && !g_auto)
        return false;
    g_shown << shown;
    *answer = g_answers.isEmpty() ? g_autoAnswer : g_answers.takeFirst();
    return true;
}

// Esc answers 2, Enter answers 1; closing gives 2.
class Dialog final : public QDialog
{
public:
    Dialog(QWidget* parent, const QString& text, const QStringList& buttons, MessageDialog::Icon icon) : QDialog(parent)
    {
        setWindowTitle(QStringLiteral("Ledrana"));
        setModal(true);
        auto* top = new QHBoxLayout;
        auto* iconLabel = new QLabel;
        QStyle::StandardPixmap sp = QStyle::SP_MessageBoxInformation;
        switch (icon) {
        case MessageDialog::Icon::Question:
        case MessageDialog::Icon::Help:
            sp = QStyle::SP_MessageBoxQuestion;
            break;
        case MessageDialog::Icon::Warning:
            sp = QStyle::SP_MessageBoxWarning;
            break;
        case MessageDialog::Icon::Stop:
            sp = QStyle::SP_MessageBoxCritical;
            break;
        default:
            break;
        }
        iconLabel->setPixmap(style()->standardIcon(sp).pixmap(32, 32));
        top->addWidget(iconLabel, 0, Qt::AlignTop);
        auto* label = new QLabel(text);
        label->setObjectName(QStringLiteral("messageText"));
        label->setWordWrap(true);
        label->setMinimumWidth(260);
        top->addWidget(label, 1);
        auto* row = new QHBoxLayout;
        row->addStretch();
        static const int results[] = {1, 2, 6};
        for (int i = 0; i < buttons.size() && i < 3; ++i) {
            auto* b = new QPushButton(buttons[i]);
            b->setAutoDefault(false);
            const int result = results[i];
            connect(b, &QPushButton::clicked, this, [this, result] { done(result); });
            if (i == 0)
                b->setDefault(true);
            row->addWidget(b);
        }
        row->addStretch();
        auto* v = new QVBoxLayout(this);
        v->addLayout(top);
        v->addLayout(row);
    }

protected:
    void keyPressEvent(QKeyEvent* e) override
    {
        if (e->key() == Qt::Key_Escape) {
            done(2);
            return;
        }
        if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
            done(1);
            return;
        }
        QDialog::keyPressEvent(e);
    }
    void reject() override { done(2); }
};

int run(QWidget* parent, const QString& text, const QStringList& buttons, MessageDialog::Icon icon)
{
    Dialog d(parent ? parent : QApplication::activeWindow(), text, buttons, icon);
    const int r = d.exec();
    return r == 0 ? 2 : r;
}

} // namespace

void MessageDialog::info(QWidget* parent, const QString& text)
{
    int answer = 0;
    if (testAnswer({text, {QStringLiteral("OK")}, Icon::Information}, &answer))
        return;
    run(parent, text, {QStringLiteral("OK")}, Icon::Information);
}

int MessageDialog::question(QWidget* parent, const QString& text, const QStringList& buttons, Icon icon)
{
    int answer = 0;
    if (testAnswer({text, buttons, icon}, &answer))
        return answer;
    return run(parent, text, buttons, icon);
}

void MessageDialog::error(QWidget* parent, const QString& text)
{
    int answer = 0;
    if (testAnswer({text, {QStringLiteral("OK")}, Icon::Stop, true}, &answer))
        return;
    run(parent, text, {QStringLiteral("OK")}, Icon::Stop);
}

void MessageDialog::queueAnswers(const QList<int>& answers)
{
    g_answers << answers;
}

void MessageDialog::setAutoAnswer(bool on, int answer)
{
    g_auto = on;
    g_autoAnswer = answer;
}

QList<MessageDialog::Shown> MessageDialog::takeShown()
{
    QList<Shown> out;
    out.swap(g_shown);
    return out;
}

bool MessageDialog::hasPendingAnswers()
{
    return !g_answers.isEmpty();
}

} // namespace app
