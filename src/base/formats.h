#pragma once

#include <QDate>
#include <QString>

// Program-wide date and number formats. Statement text always uses "yyyy-mm-dd" dates and
// a period as decimal separator; what the user sees follows these settings.
namespace base {

// Short date format as a Qt pattern ("d.M.yyyy"). Initially the system's; the update
// check sets it to "dd.MM.yyyy" for the rest of the run.
QString shortDateFormat();
void setShortDateFormat(const QString& qtPattern);
QString formatShortDate(const QDate& date);

// The user's decimal separator (from the system locale).
QChar decimalSeparator();

// General number format: up to 15 significant digits, no thousands separator, the given
// decimal separator, a minus sign when negative (1500, 1234.5, -1250).
QString generalNumber(double value, QChar decimalSeparator = QLatin1Char('.'));

// A date as it goes into statement text: "yyyy-mm-dd".
QString sqlDate(const QDate& date);

// Round to the nearest whole number, halves to even (0.5 -> 0, 1.5 -> 2, 2.5 -> 2).
long long roundHalfEven(double value);

} // namespace base
