#pragma once

#include <QDate>
#include <QString>

// Values going into statement text. Every value typed by a user goes through quote(), so a
// name holding '"' or '\' is stored and found instead of breaking the statement.
namespace db {

// The value escaped for a quoted literal (backslash escapes, as the server reads them).
QString escape(const QString& value);

// The value as a double-quoted literal: "value".
QString quote(const QString& value);

// A date as a quoted literal "yyyy-mm-dd".
QString quoteDate(const QDate& date);

// A number as statement text: a period as decimal separator, no grouping, up to 15
// significant digits.
QString number(double value);
inline QString number(long long value)
{
    return QString::number(value);
}
inline QString number(int value)
{
    return QString::number(value);
}

// A column or table name in backquotes.
QString identifier(const QString& name);

} // namespace db
