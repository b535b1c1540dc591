#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QVariant>

namespace report {

// Number and date conventions used when values become text. Taken from the program's
// locale when a report is prepared; the short date format can be overridden program-wide.
struct FormatSettings
{
    QString decimalSeparator = QStringLiteral(".");
    QString thousandSeparator = QStringLiteral(",");
    QString shortDateFormat = QStringLiteral("dd.mm.yyyy"); // a FormatDateTime picture
    QString longTimeFormat = QStringLiteral("hh:nn:ss");
    QString currencySymbol;
    QLocale locale;

    static FormatSettings fromLocale(const QLocale& locale);
    // The program's current settings: QLocale() plus the override below.
    static FormatSettings current();
};

// Program-wide short date format as a FormatDateTime picture ("dd.mm.yyyy"); empty = the locale's.
void setShortDateFormat(const QString& picture);

// A value of the expression language: null, boolean, number, text or date-time.
class Value
{
public:
    enum class Type : unsigned char
    {
        Null,
        Bool,
        Number,
        String,
        DateTime
    };

    Value() = default;
    static Value fromBool(bool b);
    static Value fromNumber(double d);
    static Value fromString(const QString& s);
    static Value fromDateTime(const QDateTime& dt);
    static Value fromVariant(const QVariant& v);

    Type type() const { return m_type; }
    bool isNull() const { return m_type == Type::Null; }
    bool isNumeric() const { return m_type == Type::Number || m_type == Type::Bool; }
    bool isString() const { return m_type == Type::String; }

    // Conversions as the expression language does them: null is 0 / empty / false.
    double toNumber() const;
    bool toBool() const;
    QString toString(const FormatSettings& fs) const;
    QDateTime toDateTime() const;
    // A date-time as days since 30 Dec 1899 with the time as the fraction.
    double toSerialDate() const;
    static QDateTime fromSerialDate(double serial);

private:
    Type m_type = Type::Null;
    double m_number = 0;
    QString m_string;
    QDateTime m_dateTime;
};

// Parses a number written with either ',' or '.' as decimal separator (spaces ignored).
bool parseNumber(const QString& text, double* out);
// Default text of a number: whole numbers without decimals, others with up to 15 digits.
QString numberText(double d, const FormatSettings& fs);

} // namespace report
