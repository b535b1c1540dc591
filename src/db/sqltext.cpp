#include "db/sqltext.h"

#include "base/formats.h"

namespace db {

QString escape(const QString& value)
{
    QString out;
    out.reserve(value.size() + 8);
    for (QChar c : value) {
        switch (c.unicode()) {
        case 0:
            out += QLatin1String("\\0");
            break;
        case '\n':
            out += QLatin1String("\\n");
            break;
        case '\r':
            out += QLatin1String("\\r");
            break;
        case '\\':
            out += QLatin1String("\\\\");
            break;
        case '\'':
            out += QLatin1String("\\'");
            break;
        case '"':
            out += QLatin1String("\\\"");
            break;
        case 0x1a:
            out += QLatin1String("\\Z");
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString quote(const QString& value)
{
    return QLatin1Char('"') + escape(value) + QLatin1Char('"');
}

QString quoteDate(const QDate& date)
{
    return QLatin1Char('"') + base::sqlDate(date) + QLatin1Char('"');
}

QString number(double value)
{
    return base::generalNumber(value, QLatin1Char('.'));
}

QString identifier(const QString& name)
{
    QString n = name;
    n.replace(QLatin1Char('`'), QLatin1String("``"));
    return QLatin1Char('`') + n + QLatin1Char('`');
}

} // namespace db
