#include "entry/dbwidgets.h"

#include "db/dataset.h"

#include <QAction>
#include <QCalendarWidget>
#include <QDialog>
#include <QFocusEvent>
#include <QStyle>
#include <QVBoxLayout>

namespace entry {
namespace {

const QString kDateFormat = QStringLiteral("dd.MM.yyyy");

bool leavesForWindow(QFocusEvent* event)
{
    // A pop-up (a menu, the drop-down list) or another window taking the focus is not
    // leaving the field.
    return event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason;
}

bool hasRow(const db::Dataset* dataset)
{
    return dataset && dataset->isOpen() && dataset->recNo() >= 0;
}

} // namespace

const QString DbDateEdit::kEmptyMask = QStringLiteral("  .  .    ");

// ---------------------------------------------------------------- DbEdit

DbEdit::DbEdit(const QString& field, QWidget* parent) : QLineEdit(parent), m_field(field)
{
    connect(this, &QLineEdit::textEdited, this, [this] { typed(); });
}

void DbEdit::bind(db::Dataset* dataset)
{
    m_dataset = dataset;
    m_protected = isReadOnly();
    refresh();
}

bool DbEdit::hasRecord() const
{
    return hasRow(m_dataset);
}

void DbEdit::refresh()
{
    m_typed = false;
    if (!hasRecord()) {
        clear();
        setReadOnly(true);
        return;
    }
    setReadOnly(m_protected);
    setText(m_dataset->asString(m_field));
    setCursorPosition(0);
}

void DbEdit::typed()
{
    if (!hasRecord() || isReadOnly())
        return;
    m_dataset->edit();
    m_typed = true;
}

void DbEdit::commit()
{
    if (!m_typed || !hasRecord())
        return;
    writeValue();
    m_typed = false;
}

void DbEdit::writeValue()
{
    m_dataset->setValue(m_field, text());
}

void DbEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    if (leavesForWindow(event))
        emit exited();
}

// ---------------------------------------------------------------- DbDateEdit

DbDateEdit::DbDateEdit(const QString& field, QWidget* parent) : DbEdit(field, parent)
{
    setInputMask(QStringLiteral("99.99.9999; "));
    QAction* calendar = addAction(style()->standardIcon(QStyle::SP_FileDialogContentsView), TrailingPosition);
    calendar->setObjectName(QStringLiteral("calendarButton"));
    connect(calendar, &QAction::triggered, this, [this] { popupCalendar(); });
}

void DbDateEdit::refresh()
{
    DbEdit::refresh();
    if (!hasRecord())
        return;
    const QDate d = dataset()->asDate(field());
    if (d.isValid())
        setText(d.toString(kDateFormat));
    else
        clear();
    setCursorPosition(0);
}

void DbDateEdit::writeValue()
{
    if (isEmptyDate()) {
        dataset()->setValue(field(), QVariant());
        return;
    }
    const QDate d = QDate::fromString(displayText(), kDateFormat);
    if (!d.isValid())
        throw db::Error(QStringLiteral("'%1' není platné datum").arg(displayText().trimmed()));
    dataset()->setValue(field(), d);
}

void DbDateEdit::popupCalendar()
{
    if (!hasRecord() || isReadOnly())
        return;
    QDialog dialog(this);
    dialog.setObjectName(QStringLiteral("calendarDialog"));
    dialog.setWindowTitle(QStringLiteral("Vyberte datum"));
    auto* calendar = new QCalendarWidget(&dialog);
    calendar->setObjectName(QStringLiteral("calendar"));
    calendar->setGridVisible(true);
    const QDate shown = QDate::fromString(displayText(), kDateFormat);
    calendar->setSelectedDate(shown.isValid() ? shown : QDate::currentDate());
    const QVariant color = property("calendarColor");
    if (color.isValid()) {
        QPalette p = calendar->palette();
        p.setColor(QPalette::Base, color.value<QColor>());
        p.setColor(QPalette::Window, color.value<QColor>());
        if (property("calendarTextColor").isValid())
            p.setColor(QPalette::Text, property("calendarTextColor").value<QColor>());
        calendar->setPalette(p);
    }
    auto* layout = new QVBoxLayout(&dialog);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(calendar);
    dialog.adjustSize();
    dialog.move(mapToGlobal(QPoint(0, height()))); // drops down under the field
    connect(calendar, &QCalendarWidget::clicked, &dialog, &QDialog::accept);
    connect(calendar, &QCalendarWidget::activated, &dialog, &QDialog::accept);
    if (dialog.exec() != QDialog::Accepted)
        return;
    setText(calendar->selectedDate().toString(kDateFormat));
    typed();
    setFocus(Qt::OtherFocusReason);
}

// ---------------------------------------------------------------- DbComboBox

DbComboBox::DbComboBox(const QString& field, QWidget* parent) : QComboBox(parent), m_field(field)
{
    connect(this, &QComboBox::activated, this, [this] { chosen(); });
}

void DbComboBox::bind(db::Dataset* dataset)
{
    m_dataset = dataset;
    refresh();
}

void DbComboBox::refresh()
{
    m_typed = false;
    const QSignalBlocker block(this);
    setCurrentIndex(hasRow(m_dataset) ? findText(m_dataset->asString(m_field)) : -1);
}

void DbComboBox::chosen()
{
    if (!hasRow(m_dataset)) {
        refresh(); // nothing loaded: the box takes no choice
        return;
    }
    m_dataset->edit();
    m_typed = true;
}

void DbComboBox::commit()
{
    if (!m_typed || !hasRow(m_dataset))
        return;
    m_dataset->setValue(m_field, currentText());
    m_typed = false;
}

void DbComboBox::focusOutEvent(QFocusEvent* event)
{
    QComboBox::focusOutEvent(event);
    if (leavesForWindow(event))
        emit exited();
}

// ---------------------------------------------------------------- DbText

DbText::DbText(const QString& field, QWidget* parent) : QLabel(parent), m_field(field) {}

void DbText::bind(db::Dataset* dataset)
{
    m_dataset = dataset;
    refresh();
}

void DbText::refresh()
{
    setText(hasRow(m_dataset) ? m_dataset->asString(m_field) : QString());
}

} // namespace entry
