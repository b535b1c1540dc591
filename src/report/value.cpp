#include "report/value.h"

#include "report/format.h"

#include <cmath>

namespace report {

namespace {

QString s_shortDateOverride;

const QDate& serialEpoch()
{
    static const QDate epoch(1899, 12, 30);
    return epoch;
}

// Qt date pattern ("dd.MM.yy") to a FormatDateTime picture ("dd.mm.yy").
QString pictureFromQtFormat(const QString& qt)
{
    QString out;
    for (int i = 0; i < qt.size();) {
        QChar c = qt[i];
        int n = 1;
        while (i + n < qt.size() && qt[i + n] == c)
            ++n;
        QString run(n, c);
        if (c == u'M')
            run = QString(n, u'm');
        else if (c == u'm')
            run = QString(n, u'n');
        else if (c == u'H')
            run = QString(n, u'h');
        else if (c == u'\'') {
            int end = qt.indexOf(u'\'', i + 1);
            if (end < 0)
                end = qt.size() - 1;
            run = u'"' + qt.mid(i + 1, end - i - 1) + u'"';
            n = end - i + 1;
        } else if (c == u'A' || c == u'a' || c == u't')
            run.clear();
        out += run;
        i += n;
    }
    return out.trimmed();
}

} // namespace

void setShortDateFormat(const QString& picture)
{
    s_shortDateOverride = picture;
}

FormatSettings FormatSettings::fromLocale(const QLocale& locale)
{
    FormatSettings fs;
    fs.locale = locale;
    fs.decimalSeparator = locale.decimalPoint();
    fs.thousandSeparator = locale.groupSeparator();
    fs.shortDateFormat = pictureFromQtFormat(locale.dateFormat(QLocale::ShortFormat));
    // Four-digit years read better on paper than the locale's two.
    if (!fs.shortDateFormat.contains(QLatin1String("yyyy")))
        fs.shortDateFormat.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    fs.longTimeFormat = QStringLiteral("hh:nn:ss");
    fs.currencySymbol = locale.currencySymbol();
    return fs;
}

FormatSettings FormatSettings::current()
{
    FormatSettings fs = fromLocale(QLocale());
    if (!s_shortDateOverride.isEmpty())
        fs.shortDateFormat = s_shortDateOverride;
    return fs;
}

Value Value::fromBool(bool b)
{
    Value v;
    v.m_type = Type::Bool;
    v.m_number = b ? 1 : 0;
    return v;
}

Value Value::fromNumber(double d)
{
    Value v;
    v.m_type = Type::Number;
    v.m_number = d;
    return v;
}

Value Value::fromString(const QString& s)
{
    Value v;
    v.m_type = Type::String;
    v.m_string = s;
    return v;
}

Value Value::fromDateTime(const QDateTime& dt)
{
    if (!dt.isValid())
        return {};
    Value v;
    v.m_type = Type::DateTime;
    v.m_dateTime = dt;
    return v;
}

Value Value::fromVariant(const QVariant& v)
{
    if (v.isNull())
        return {};
    switch (v.typeId()) {
    case QMetaType::QString:
        return fromString(v.toString());
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::Short:
    case QMetaType::UShort:
        return fromNumber(v.toDouble());
    case QMetaType::Bool:
        return fromBool(v.toBool());
    case QMetaType::QDate:
        return fromDateTime(QDateTime(v.toDate(), QTime(0, 0), Qt::UTC));
    case QMetaType::QDateTime:
        return fromDateTime(v.toDateTime());
    case QMetaType::QTime:
        return fromDateTime(QDateTime(serialEpoch(), v.toTime(), Qt::UTC));
    case QMetaType::QByteArray:
        return fromString(QString::fromUtf8(v.toByteArray()));
    default:
        return fromString(v.toString());
    }
}

double Value::toNumber() const
{
    switch (m_type) {
    case Type::Null:
        return 0;
    case Type::Bool:
    case Type::Number:
        return m_number;
    case Type::String: {
        double d = 0;
        parseNumber(m_string, &d);
        return d;
    }
    case Type::DateTime:
        return toSerialDate();
    }
    return 0;
}

bool Value::toBool() const
{
    switch (m_type) {
    case Type::Null:
        return false;
    case Type::Bool:
    case Type::Number:
        return m_number != 0;
    case Type::String:
        return m_string.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
    case Type::DateTime:
        return true;
    }
    return false;
}

QString Value::toString(const FormatSettings& fs) const
{
    switch (m_type) {
    case Type::Null:
        return {};
    case Type::Bool:
        return m_number != 0 ? QStringLiteral("True") : QStringLiteral("False");
    case Type::Number:
        return numberText(m_number, fs);
    case Type::String:
        return m_string;
    case Type::DateTime:
        if (m_dateTime.time() == QTime(0, 0))
            return formatDateTime(fs.shortDateFormat, m_dateTime, fs);
        if (m_dateTime.date() == serialEpoch())
            return formatDateTime(fs.longTimeFormat, m_dateTime, fs);
        return formatDateTime(fs.shortDateFormat + u' ' + fs.longTimeFormat, m_dateTime, fs);
    }
    return {};
}

QDateTime Value::toDateTime() const
{
    switch (m_type) {
    case Type::DateTime:
        return m_dateTime;
    case Type::String: {
        for (const char* f : {"d.M.yyyy", "yyyy-MM-dd", "d.M.yyyy H:mm:ss", "yyyy-MM-dd HH:mm:ss"}) {
            QDateTime dt = QDateTime::fromString(m_string.trimmed(), QLatin1String(f));
            dt.setTimeSpec(Qt::UTC);
            if (dt.isValid())
                return dt;
        }
        return {};
    }
    case Type::Number:
        return fromSerialDate(m_number);
    default:
        return {};
    }
}

double Value::toSerialDate() const
{
    QDateTime dt = toDateTime();
    if (!dt.isValid())
        return 0;
    return serialEpoch().daysTo(dt.date()) + dt.time().msecsSinceStartOfDay() / 86400000.0;
}

QDateTime Value::fromSerialDate(double serial)
{
    double days = std::floor(serial);
    auto ms = static_cast<int>(std::llround((serial - days) * 86400000.0));
    return QDateTime(serialEpoch().addDays(static_cast<qint64>(days)), QTime(0, 0).addMSecs(ms), Qt::UTC);
}

bool parseNumber(const QString& text, double* out)
{
    QString t = text.trimmed();
    t.remove(u' ');
    t.remove(QChar(0x00A0));
    t.replace(u',', u'.');
    bool ok = false;
    double d = t.toDouble(&ok);
    if (ok)
        *out = d;
    return ok;
}

QString numberText(double d, const FormatSettings& fs)
{
    if (std::isnan(d) || std::isinf(d))
        return {};
    if (d == std::trunc(d) && std::fabs(d) < 1e15)
        return QString::number(static_cast<qint64>(d));
    QString s = QString::number(d, 'g', 15);
    if (!s.contains(u'e'))
        s.replace(u'.', fs.decimalSeparator);
    return s;
}

} // namespace report
