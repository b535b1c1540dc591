#pragma once

#include "report/value.h"

#include <QDateTime>
#include <QString>

namespace report {

// How a memo turns values into text (DisplayFormat.*).
struct DisplayFormat
{
    enum class Kind
    {
        Text,
        Numeric,
        DateTime,
        Boolean
    };
    Kind kind = Kind::Text;
    QString formatStr;
    QString decimalSeparator; // empty = the locale's

    bool isDefault() const { return kind == Kind::Text && formatStr.isEmpty() && decimalSeparator.isEmpty(); }
};

// A FormatFloat picture: 0 forced digit, # optional digit, first '.' the decimal point, ','
// anywhere in the integer part turns on grouping, ';' separates positive;negative;zero.
QString formatFloat(const QString& picture, double value, const FormatSettings& fs);
// A Format pattern with %[-][width][.prec](f|n|m|g|e|d|s|x) specifiers, each given the value.
QString formatPattern(const QString& pattern, const Value& value, const FormatSettings& fs);
// A FormatDateTime picture: d dd ddd dddd m mm mmm mmmm yy yyyy h hh n nn s ss z zzz am/pm.
QString formatDateTime(const QString& picture, const QDateTime& dt, const FormatSettings& fs);

// A value as a memo shows it with the given display format.
QString formatValue(const DisplayFormat& format, const Value& value, const FormatSettings& fs);
// A number with the ' #n' tag or a fkNumeric FormatStr (picture or pattern).
QString formatNumeric(const QString& formatStr, const Value& value, const FormatSettings& fs);

} // namespace report
