// Display formats: FormatFloat pictures, Format patterns, dates and booleans, Czech locale.
#include "report/format.h"

#include "reporttest.h"

#include <gtest/gtest.h>

using report::DisplayFormat;
using report::Value;
using Kind = DisplayFormat::Kind;

namespace {

struct FormatCase
{
    Kind kind;
    const char* formatStr;
    const char* decimalSeparator;
    Value value;
    const char* expected; // UTF-8; "~" stands for the no-break space of Czech grouping
};

QString expectedText(const char* s)
{
    return QString::fromUtf8(s).replace(u'~', QChar(0x00A0));
}

} // namespace

TEST(ReportFormat, DisplayFormatsGiveTheTextsOfTheTable)
{
    reporttest::useCzechLocale();
    const QDateTime march5(QDate(2024, 3, 5), QTime(0, 0));
    const QDateTime afternoon(QDate(2024, 3, 5), QTime(14, 7, 9));
    const FormatCase cases[] = {
        // pictures: literal spaces group without the locale, ',' groups with it
        {Kind::Numeric, "### ### ##0", "", Value::fromNumber(1234567), "1 234 567"},
        {Kind::Numeric, "### ### ##0", "", Value::fromNumber(12), "12"},
        {Kind::Numeric, "### ### ##0", "", Value::fromNumber(0), "0"},
        {Kind::Numeric, "### ### ##0", "", Value::fromNumber(-1234.6), "-1 235"},
        {Kind::Numeric, "### ### ##0", "", Value::fromNumber(-0.4), "0"},
        {Kind::Numeric, "### ### ##0", "", Value::fromNumber(1234567890123.0), "1234567 890 123"},
        {Kind::Numeric, "#,##0.00", "", Value::fromNumber(1234567.5), "1~234~567,50"},
        {Kind::Numeric, "0.00", "", Value::fromNumber(0.126), "0,13"},
        {Kind::Numeric, "#.##", "", Value::fromNumber(0.5), ",5"},
        {Kind::Numeric, "000", "", Value::fromNumber(7), "007"},
        {Kind::Numeric, "0.00 'Kč'", "", Value::fromNumber(5), "5,00 Kč"},
        {Kind::Numeric, "0.00;(0.00);nula", "", Value::fromNumber(-3.1), "(3,10)"},
        {Kind::Numeric, "0.00;(0.00);nula", "", Value::fromNumber(0), "nula"},
        {Kind::Numeric, "#,##0.00", ".", Value::fromNumber(1234.5), "1~234.50"},
        // Format patterns
        {Kind::Numeric, "%2.2n", "", Value::fromNumber(1234.5), "1~234,50"},
        {Kind::Numeric, "%2.2f", "", Value::fromNumber(1234.5), "1234,50"},
        {Kind::Numeric, "%2.2m", "", Value::fromNumber(1234.5), "1~234,50~Kč"},
        {Kind::Numeric, "%5.1f", "", Value::fromNumber(3.14159), "  3,1"},
        {Kind::Numeric, "%d ks", "", Value::fromNumber(42), "42 ks"},
        {Kind::Numeric, "%2.2n", "", Value::fromString("1234,5"), "1~234,50"},
        {Kind::Numeric, "%2.2n", "", Value(), ""},
        // dates
        {Kind::DateTime, "dd.mm.yyyy", "", Value::fromDateTime(march5), "05.03.2024"},
        {Kind::DateTime, "d.m.yy hh:nn:ss", "", Value::fromDateTime(afternoon), "5.3.24 14:07:09"},
        {Kind::DateTime, "yyyy-mm-dd", "", Value::fromString("5.3.2024"), "2024-03-05"},
        // booleans
        {Kind::Boolean, "Ne,Ano", "", Value::fromBool(true), "Ano"},
        {Kind::Boolean, "Ne,Ano", "", Value::fromBool(false), "Ne"},
        // no format: the default texts
        {Kind::Text, "", "", Value::fromNumber(1234.5), "1234,5"},
        {Kind::Text, "", "", Value::fromNumber(-3), "-3"},
        {Kind::Text, "", "", Value::fromDateTime(march5), "05.03.2024"},
        {Kind::Text, "", "", Value::fromBool(true), "True"},
    };
    const report::FormatSettings fs = report::FormatSettings::current();
    for (const FormatCase& c : cases) {
        DisplayFormat f;
        f.kind = c.kind;
        f.formatStr = QString::fromUtf8(c.formatStr);
        f.decimalSeparator = QString::fromUtf8(c.decimalSeparator);
        EXPECT_EQ(report::formatValue(f, c.value, fs), expectedText(c.expected))
            << "format \"" << c.formatStr << "\" expected \"" << c.expected << "\"";
    }
}

TEST(ReportFormat, ProgramShortDateFormatOverridesTheLocale)
{
    reporttest::useCzechLocale();
    report::setShortDateFormat(QStringLiteral("dd.mm.yyyy"));
    const Value d = Value::fromDateTime(QDateTime(QDate(2024, 3, 5), QTime(0, 0)));
    EXPECT_EQ(d.toString(report::FormatSettings::current()), QStringLiteral("05.03.2024"));
    report::setShortDateFormat(QStringLiteral("yyyy-mm-dd"));
    EXPECT_EQ(d.toString(report::FormatSettings::current()), QStringLiteral("2024-03-05"));
    report::setShortDateFormat(QString());
}
