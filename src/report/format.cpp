#include "report/format.h"

#include <cmath>

namespace report {

namespace {

// Splits a picture at ';' outside quotes.
QStringList splitSections(const QString& picture)
{
    QStringList out;
    QString cur;
    QChar quote;
    for (QChar c : picture) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u';') {
            out << cur;
            cur.clear();
            continue;
        }
        cur += c;
    }
    out << cur;
    return out;
}

QString groupDigits(const QString& digits, const QString& sep)
{
    QString out;
    const int n = digits.size();
    for (int i = 0; i < n; ++i) {
        out += digits[i];
        int fromRight = n - 1 - i;
        if (fromRight > 0 && fromRight % 3 == 0)
            out += sep;
    }
    return out;
}

QString formatSection(const QString& section, double absValue, bool negative, const FormatSettings& fs)
{
    // First pass: count placeholders.
    int intPlaces = 0, firstIntZero = -1, decPlaces = 0, lastDecZero = -1;
    bool seenPoint = false, grouping = false;
    QChar quote;
    for (QChar c : section) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u'0' || c == u'#') {
            if (seenPoint) {
                if (c == u'0')
                    lastDecZero = decPlaces;
                ++decPlaces;
            } else {
                if (c == u'0' && firstIntZero < 0)
                    firstIntZero = intPlaces;
                ++intPlaces;
            }
        } else if (c == u'.' && !seenPoint) {
            seenPoint = true;
        } else if (c == u',' && !seenPoint) {
            grouping = true;
        }
    }
    if (intPlaces == 0 && decPlaces == 0) {
        // A section without digits prints as its literal text.
        QString out;
        for (QChar c : section)
            if (c != u'\'' && c != u'"')
                out += c;
        return out;
    }

    const int minInt = firstIntZero < 0 ? 0 : intPlaces - firstIntZero;
    const int minDec = lastDecZero + 1;
    QString fixed = QString::number(absValue, 'f', decPlaces);
    QString intDigits = fixed.section(u'.', 0, 0);
    QString decDigits = decPlaces > 0 ? fixed.section(u'.', 1, 1) : QString();
    while (decDigits.size() > minDec && decDigits.endsWith(u'0'))
        decDigits.chop(1);
    while (intDigits.startsWith(u'0') && intDigits.size() > 0)
        intDigits.remove(0, 1);
    while (intDigits.size() < minInt)
        intDigits.prepend(u'0');
    if (intDigits.isEmpty() && decDigits.isEmpty())
        negative = false; // nothing left to be negative
    bool allZero = true;
    for (QChar c : intDigits + decDigits)
        if (c != u'0')
            allZero = false;
    if (allZero)
        negative = false;

    QString out;
    if (negative)
        out += u'-';
    const int L = intDigits.size();
    bool started = false; // an integer digit has been written
    bool inInt = true;
    int k = 0, j = 0;
    auto putIntDigit = [&](int p) {
        out += intDigits[L - 1 - p];
        started = true;
        if (grouping && p > 0 && p % 3 == 0)
            out += fs.thousandSeparator;
    };
    for (int i = 0; i < section.size(); ++i) {
        QChar c = section[i];
        if (c == u'\'' || c == u'"') {
            int end = section.indexOf(c, i + 1);
            if (end < 0)
                end = section.size();
            if (!inInt || started || k == 0)
                out += section.mid(i + 1, end - i - 1);
            i = end;
            continue;
        }
        if (inInt) {
            if (c == u'0' || c == u'#') {
                const int p = intPlaces - 1 - k;
                if (k == 0)
                    for (int q = L - 1; q > p; --q)
                        putIntDigit(q);
                if (p < L)
                    putIntDigit(p);
                ++k;
            } else if (c == u'.') {
                inInt = false;
                if (intPlaces == 0)
                    for (int q = L - 1; q >= 0; --q)
                        putIntDigit(q);
                if (!decDigits.isEmpty())
                    out += fs.decimalSeparator;
            } else if (c == u',') {
                // grouping flag only
            } else if (started || k == 0) {
                out += c;
            }
        } else {
            if (c == u'0' || c == u'#') {
                if (j < decDigits.size())
                    out += decDigits[j];
                ++j;
            } else {
                out += c;
            }
        }
    }
    return out;
}

QString fixedText(double v, int prec, bool grouping, const FormatSettings& fs)
{
    QString s = QString::number(std::fabs(v), 'f', prec);
    QString intPart = s.section(u'.', 0, 0);
    QString decPart = prec > 0 ? s.section(u'.', 1, 1) : QString();
    if (grouping)
        intPart = groupDigits(intPart, fs.thousandSeparator);
    QString out = intPart;
    if (!decPart.isEmpty())
        out += fs.decimalSeparator + decPart;
    bool zero = true;
    for (QChar c : s)
        if (c.isDigit() && c != u'0')
            zero = false;
    if (v < 0 && !zero)
        out.prepend(u'-');
    return out;
}

} // namespace

QString formatFloat(const QString& picture, double value, const FormatSettings& fs)
{
    if (std::isnan(value) || std::isinf(value))
        return {};
    if (picture.isEmpty())
        return numberText(value, fs);
    const QStringList sections = splitSections(picture);
    if (value == 0 && sections.size() >= 3 && !sections[2].isEmpty())
        return formatSection(sections[2], 0, false, fs);
    if (value < 0 && sections.size() >= 2 && !sections[1].isEmpty())
        return formatSection(sections[1], -value, false, fs);
    return formatSection(sections[0], std::fabs(value), value < 0, fs);
}

QString formatPattern(const QString& pattern, const Value& value, const FormatSettings& fs)
{
    QString out;
    for (int i = 0; i < pattern.size(); ++i) {
        QChar c = pattern[i];
        if (c != u'%') {
            out += c;
            continue;
        }
        if (i + 1 < pattern.size() && pattern[i + 1] == u'%') {
            out += u'%';
            ++i;
            continue;
        }
        int p = i + 1;
        // optional index "n:" is skipped: every specifier takes the one value
        int colon = p;
        while (colon < pattern.size() && pattern[colon].isDigit())
            ++colon;
        if (colon < pattern.size() && pattern[colon] == u':')
            p = colon + 1;
        bool left = false;
        if (p < pattern.size() && pattern[p] == u'-') {
            left = true;
            ++p;
        }
        int width = 0;
        while (p < pattern.size() && pattern[p].isDigit())
            width = width * 10 + pattern[p++].digitValue();
        int prec = -1;
        if (p < pattern.size() && pattern[p] == u'.') {
            prec = 0;
            ++p;
            while (p < pattern.size() && pattern[p].isDigit())
                prec = prec * 10 + pattern[p++].digitValue();
        }
        if (p >= pattern.size()) {
            out += pattern.mid(i);
            break;
        }
        const QChar type = pattern[p].toLower();
        const double v = value.toNumber();
        QString text;
        switch (type.unicode()) {
        case 'f':
            text = fixedText(v, prec < 0 ? 2 : prec, false, fs);
            break;
        case 'n':
            text = fixedText(v, prec < 0 ? 2 : prec, true, fs);
            break;
        case 'm': {
            text = fixedText(v, prec < 0 ? 2 : prec, true, fs);
            if (!fs.currencySymbol.isEmpty())
                text += QChar(0x00A0) + fs.currencySymbol;
            break;
        }
        case 'g': {
            text = QString::number(v, 'g', prec <= 0 ? 15 : prec);
            if (!text.contains(u'e'))
                text.replace(u'.', fs.decimalSeparator);
            break;
        }
        case 'e': {
            text = QString::number(v, 'E', prec < 0 ? 15 : std::max(prec - 1, 0));
            text.replace(u'.', fs.decimalSeparator);
            break;
        }
        case 'd': {
            auto n = static_cast<qint64>(std::llround(v));
            text = QString::number(std::llabs(n));
            if (prec > 0)
                text = text.rightJustified(prec, u'0');
            if (n < 0)
                text.prepend(u'-');
            break;
        }
        case 'x':
            text = QString::number(static_cast<qint64>(std::llround(v)), 16).toUpper();
            if (prec > 0)
                text = text.rightJustified(prec, u'0');
            break;
        case 's':
            text = value.toString(fs);
            if (prec >= 0)
                text = text.left(prec);
            break;
        default:
            text = pattern.mid(i, p - i + 1);
            break;
        }
        if (text.size() < width)
            text = left ? text.leftJustified(width) : text.rightJustified(width);
        out += text;
        i = p;
    }
    return out;
}

QString formatDateTime(const QString& picture, const QDateTime& dt, const FormatSettings& fs)
{
    if (!dt.isValid())
        return {};
    const QDate d = dt.date();
    const QTime t = dt.time();
    const QString pic = picture.isEmpty() ? fs.shortDateFormat : picture;
    const bool hasAmPm = pic.contains(QLatin1String("am/pm"), Qt::CaseInsensitive);
    QString out;
    bool lastWasHour = false;
    for (int i = 0; i < pic.size();) {
        const QChar c = pic[i];
        const QChar lc = c.toLower();
        if (c == u'\'' || c == u'"') {
            int end = pic.indexOf(c, i + 1);
            if (end < 0)
                end = pic.size();
            out += pic.mid(i + 1, end - i - 1);
            i = end + 1;
            continue;
        }
        if (pic.mid(i, 5).compare(QLatin1String("am/pm"), Qt::CaseInsensitive) == 0) {
            out += t.hour() < 12 ? QStringLiteral("am") : QStringLiteral("pm");
            i += 5;
            continue;
        }
        int n = 1;
        while (i + n < pic.size() && pic[i + n].toLower() == lc)
            ++n;
        bool hour = false;
        switch (lc.unicode()) {
        case 'd':
            if (n == 1)
                out += QString::number(d.day());
            else if (n == 2)
                out += QString::number(d.day()).rightJustified(2, u'0');
            else if (n == 3)
                out += fs.locale.dayName(d.dayOfWeek(), QLocale::ShortFormat);
            else if (n == 4)
                out += fs.locale.dayName(d.dayOfWeek(), QLocale::LongFormat);
            else
                out += formatDateTime(fs.shortDateFormat, dt, fs);
            break;
        case 'm':
            if (lastWasHour && n <= 2)
                out += QString::number(t.minute()).rightJustified(n, u'0');
            else if (n == 1)
                out += QString::number(d.month());
            else if (n == 2)
                out += QString::number(d.month()).rightJustified(2, u'0');
            else if (n == 3)
                out += fs.locale.monthName(d.month(), QLocale::ShortFormat);
            else
                out += fs.locale.standaloneMonthName(d.month(), QLocale::LongFormat);
            break;
        case 'y':
            if (n <= 2)
                out += QString::number(d.year() % 100).rightJustified(2, u'0');
            else
                out += QString::number(d.year());
            break;
        case 'h': {
            int h = t.hour();
            if (hasAmPm) {
                h %= 12;
                if (h == 0)
                    h = 12;
            }
            out += QString::number(h).rightJustified(n >= 2 ? 2 : 1, u'0');
            hour = true;
            break;
        }
        case 'n':
            out += QString::number(t.minute()).rightJustified(n >= 2 ? 2 : 1, u'0');
            break;
        case 's':
            out += QString::number(t.second()).rightJustified(n >= 2 ? 2 : 1, u'0');
            break;
        case 'z':
            out += QString::number(t.msec()).rightJustified(n >= 3 ? 3 : 1, u'0');
            break;
        case 'c':
            out += formatDateTime(fs.shortDateFormat, dt, fs);
            if (t != QTime(0, 0))
                out += u' ' + formatDateTime(fs.longTimeFormat, dt, fs);
            break;
        case 't':
            out += formatDateTime(n >= 2 ? fs.longTimeFormat : QStringLiteral("h:nn"), dt, fs);
            break;
        case '/': {
            // the locale's date separator: the first non-letter of its short date format
            QChar sep = u'.';
            for (QChar s : fs.shortDateFormat)
                if (!s.isLetter()) {
                    sep = s;
                    break;
                }
            out += QString(n, sep);
            break;
        }
        default:
            out += QString(n, c);
            break;
        }
        if (lc != u' ')
            lastWasHour = hour;
        i += n;
    }
    return out;
}

QString formatNumeric(const QString& formatStr, const Value& value, const FormatSettings& fs)
{
    if (value.isNull())
        return {};
    if (formatStr.contains(u'#') || formatStr.startsWith(u'0'))
        return formatFloat(formatStr, value.toNumber(), fs);
    if (formatStr.isEmpty())
        return numberText(value.toNumber(), fs);
    return formatPattern(formatStr, value, fs);
}

QString formatValue(const DisplayFormat& format, const Value& value, const FormatSettings& fsIn)
{
    if (format.kind == DisplayFormat::Kind::Text || value.isNull())
        return value.toString(fsIn);
    FormatSettings fs = fsIn;
    if (!format.decimalSeparator.isEmpty())
        fs.decimalSeparator = format.decimalSeparator;
    switch (format.kind) {
    case DisplayFormat::Kind::Numeric:
        if (value.isString()) {
            double d = 0;
            if (!parseNumber(value.toString(fs), &d))
                return value.toString(fs);
        }
        return formatNumeric(format.formatStr, value, fs);
    case DisplayFormat::Kind::DateTime: {
        QDateTime dt = value.toDateTime();
        if (!dt.isValid())
            return value.toString(fs);
        return formatDateTime(format.formatStr, dt, fs);
    }
    case DisplayFormat::Kind::Boolean: {
        const QString no = format.formatStr.section(u',', 0, 0);
        const QString yes = format.formatStr.section(u',', 1);
        if (format.formatStr.isEmpty())
            return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
        return value.toBool() ? yes : no;
    }
    case DisplayFormat::Kind::Text:
        break;
    }
    return value.toString(fs);
}

} // namespace report
