#include "app/entertab.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QShortcutEvent>
#include <QWidget>

namespace app {

EnterAsTab::EnterAsTab(QWidget* window) : QObject(window), m_window(window) {}

bool EnterAsTab::eventFilter(QObject* watched, QEvent* event)
{
    // An access letter that several buttons share presses the first of them (in the order
    // the window made them), instead of only moving the focus between them.
    if (event->type() == QEvent::Shortcut) {
        auto* button = qobject_cast<QAbstractButton*>(watched);
        if (button && button->window() == m_window && static_cast<QShortcutEvent*>(event)->isAmbiguous()) {
            button->click();
            return true;
        }
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
        return false;
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w || qobject_cast<QAbstractButton*>(w) || qobject_cast<QAbstractItemView*>(w))
        return false;
    if (auto* combo = qobject_cast<QComboBox*>(w); combo && combo->view() && combo->view()->isVisible())
        return false;
    if (w->window() != m_window)
        return false;
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &tab);
    return true;
}

} // namespace app
