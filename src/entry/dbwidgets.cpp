#include "entry/dbwidgets.h"

#include <QFocusEvent>

namespace entry {

const QString DbDateEdit::kEmptyMask = QStringLiteral("  .  .    ");

DbEdit::DbEdit(const QString& field, QWidget* parent) : QLineEdit(parent), m_field(field) {}

void DbEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    if (event->reason() != Qt::PopupFocusReason)
        emit exited();
}

DbDateEdit::DbDateEdit(const QString& field, QWidget* parent) : DbEdit(field, parent)
{
    setInputMask(QStringLiteral("99.99.9999; "));
}

DbComboBox::DbComboBox(const QString& field, QWidget* parent) : QComboBox(parent), m_field(field) {}

void DbComboBox::focusOutEvent(QFocusEvent* event)
{
    QComboBox::focusOutEvent(event);
    if (event->reason() != Qt::PopupFocusReason)
        emit exited();
}

DbText::DbText(const QString& field, QWidget* parent) : QLabel(parent), m_field(field) {}

} // namespace entry
