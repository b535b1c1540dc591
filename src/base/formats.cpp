#include "base/formats.h"

#include <QLocale>

#include <cmath>

namespace base {
namespace {
QString g_shortDate;
bool g_shortDateSet = false;
} // namespace

QString shortDateFormat()
{
    if (!g_shortDateSet) {
        g_shortDate = QLocale::system().dateFormat(QLocale::ShortFormat);
        g_shortDateSet = true;
    }
    return g_shortDate;
}

void setShortDateFormat(const QString& qtPattern)
{
    g_shortDate = qtPattern;
    g_shortDateSet = true;
}

QString formatShortDate(const QDate& date)
{
    return date.toString(shortDateFormat());
}

QChar decimalSeparator()
{
    const QString dp = QLocale::system().decimalPoint();
    return dp.isEmpty() ? QLatin1Char('.') : dp.at(0);
}

QString generalNumber(double value, QChar decimalSeparator)
{
    if (value == 0)
        return QStringLiteral("0");
    QString s = QString::number(value, 'g', 15);
    if (decimalSeparator != QLatin1Char('.'))
        s.replace(QLatin1Char('.'), decimalSeparator);
    return s;
}

QString sqlDate(const QDate& date)
{
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

long long roundHalfEven(double value)
{
    return static_cast<long long>(std::nearbyint(value)); // default rounding mode: to nearest, ties to even
}

} // namespace base
