#pragma once

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace entry {

// Fields of the entry panel. Each edits one column of the entry query's row; binding and
// the write on focus loss come with the record entry.
class DbEdit : public QLineEdit
{
    Q_OBJECT
public:
    DbEdit(const QString& field, QWidget* parent);
    const QString& field() const { return m_field; }

signals:
    void exited();

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    QString m_field;
};

// A date edit with the empty mask text "  .  .    " and a calendar pop-up.
class DbDateEdit : public DbEdit
{
    Q_OBJECT
public:
    DbDateEdit(const QString& field, QWidget* parent);
    static const QString kEmptyMask;
};

class DbComboBox : public QComboBox
{
    Q_OBJECT
public:
    DbComboBox(const QString& field, QWidget* parent);
    const QString& field() const { return m_field; }

signals:
    void exited();

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    QString m_field;
};

// Display-only field.
class DbText : public QLabel
{
    Q_OBJECT
public:
    DbText(const QString& field, QWidget* parent);
    const QString& field() const { return m_field; }

private:
    QString m_field;
};

} // namespace entry
