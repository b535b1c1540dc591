#pragma once

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace db {
class Dataset;
}

namespace entry {

// Fields of the entry panel. Each shows one column of a dataset's current row (the entry
// query's): typing puts the dataset into edit state, and leaving the field writes its text
// into the row, after which the window runs the field's exit check (exited()). While the
// dataset is closed a field shows nothing and takes no input.
class DbEdit : public QLineEdit
{
    Q_OBJECT
public:
    DbEdit(const QString& field, QWidget* parent);
    const QString& field() const { return m_field; }

    // Binds the field; a field that is read-only when bound stays read-only.
    void bind(db::Dataset* dataset);
    db::Dataset* dataset() const { return m_dataset; }
    bool hasRecord() const;

    // Shows the row's value anew and forgets any typing.
    virtual void refresh();
    // Writes the text into the row when it was typed since it was shown.
    void commit();
    bool isTyped() const { return m_typed; }

signals:
    // The focus left the field for another control of the window (not for a pop-up or
    // another window).
    void exited();

protected:
    void focusOutEvent(QFocusEvent* event) override;
    virtual void writeValue();
    // The user changed the text: the row enters edit state.
    void typed();

private:
    QString m_field;
    db::Dataset* m_dataset = nullptr;
    bool m_typed = false;
    bool m_protected = false;
};

// A date edit: the mask "99.99.9999" whose empty text is "  .  .    ", and a calendar
// pop-up titled "Vyberte datum" behind the button at its right edge.
class DbDateEdit : public DbEdit
{
    Q_OBJECT
public:
    DbDateEdit(const QString& field, QWidget* parent);
    static const QString kEmptyMask;

    void refresh() override;
    bool isEmptyDate() const { return displayText() == kEmptyMask; }
    // Opens the calendar; a chosen date goes into the field as typed.
    void popupCalendar();

protected:
    void writeValue() override;
};

// The kind box: a drop-down list without free text.
class DbComboBox : public QComboBox
{
    Q_OBJECT
public:
    DbComboBox(const QString& field, QWidget* parent);
    const QString& field() const { return m_field; }

    void bind(db::Dataset* dataset);
    void refresh();
    void commit();
    bool isTyped() const { return m_typed; }

signals:
    void exited();

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    void chosen();

    QString m_field;
    db::Dataset* m_dataset = nullptr;
    bool m_typed = false;
};

// Display-only field.
class DbText : public QLabel
{
    Q_OBJECT
public:
    DbText(const QString& field, QWidget* parent);
    const QString& field() const { return m_field; }

    void bind(db::Dataset* dataset);
    void refresh();

private:
    QString m_field;
    db::Dataset* m_dataset = nullptr;
};

} // namespace entry
