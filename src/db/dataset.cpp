#include "db/dataset.h"

#include "base/cp1250.h"
#include "base/formats.h"
#include "db/collation.h"
#include "db/sqltext.h"

#include <mysql.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace db {
namespace {

FieldKind kindOf(const MYSQL_FIELD& f)
{
    const bool binary = f.charsetnr == 63;
    switch (f.type) {
    case MYSQL_TYPE_TINY:
    case MYSQL_TYPE_SHORT:
    case MYSQL_TYPE_LONG:
    case MYSQL_TYPE_LONGLONG:
    case MYSQL_TYPE_INT24:
    case MYSQL_TYPE_YEAR:
        return FieldKind::Integer;
    case MYSQL_TYPE_DECIMAL:
    case MYSQL_TYPE_NEWDECIMAL:
    case MYSQL_TYPE_FLOAT:
    case MYSQL_TYPE_DOUBLE:
        return FieldKind::Float;
    case MYSQL_TYPE_DATE:
    case MYSQL_TYPE_NEWDATE:
        return FieldKind::Date;
    case MYSQL_TYPE_DATETIME:
    case MYSQL_TYPE_TIMESTAMP:
        return FieldKind::DateTime;
    case MYSQL_TYPE_TINY_BLOB:
    case MYSQL_TYPE_MEDIUM_BLOB:
    case MYSQL_TYPE_LONG_BLOB:
    case MYSQL_TYPE_BLOB:
        return binary ? FieldKind::Bytes : FieldKind::Memo;
    case MYSQL_TYPE_VARCHAR:
    case MYSQL_TYPE_VAR_STRING:
    case MYSQL_TYPE_STRING:
        return binary && (f.flags & BINARY_FLAG) && f.org_table && *f.org_table ? FieldKind::Bytes : FieldKind::Text;
    default:
        return FieldKind::Other;
    }
}

// "yyyy-mm-dd" -> QDate; "0000-00-00" and garbage give an invalid date.
QDate parseDate(const char* s, unsigned long len)
{
    if (len < 10)
        return {};
    auto num = [s](int from, int n) {
        int v = 0;
        for (int i = from; i < from + n; ++i)
            v = v * 10 + (s[i] - '0');
        return v;
    };
    return QDate(num(0, 4), num(5, 2), num(8, 2));
}

QDateTime parseDateTime(const char* s, unsigned long len)
{
    const QDate d = parseDate(s, len);
    if (!d.isValid())
        return {};
    QTime t(0, 0);
    if (len >= 19)
        t = QTime::fromString(QString::fromLatin1(s + 11, 8), QStringLiteral("HH:mm:ss"));
    return QDateTime(d, t);
}

long long dateKey(const QDate& d)
{
    return d.isValid() ? d.year() * 10000LL + d.month() * 100 + d.day() : std::numeric_limits<long long>::min();
}

QDate dateFromText(const QString& text)
{
    for (const QString& fmt : {base::shortDateFormat(), QStringLiteral("dd.MM.yyyy"), QStringLiteral("d.M.yyyy"),
                               QStringLiteral("yyyy-MM-dd")}) {
        const QDate d = QDate::fromString(text, fmt);
        if (d.isValid())
            return d;
    }
    return {};
}

// A field of a row as the client library stores it: fields lie back to back, each ended by
// a NUL, with one more pointer past the last field, so a field's length is the distance to
// the next non-NULL field. nullptr (length 0) for NULL.
const char* storedField(char** row, int field, unsigned long* length)
{
    const char* s = row[field];
    if (!s) {
        *length = 0;
        return nullptr;
    }
    int next = field + 1;
    while (!row[next])
        ++next;
    *length = static_cast<unsigned long>(row[next] - s - 1);
    return s;
}

} // namespace

Dataset::Dataset(Connection& connection) : m_connection(connection) {}

Dataset::~Dataset()
{
    if (m_result)
        mysql_free_result(m_result);
}

void Dataset::setSql(const QString& text)
{
    m_sql = text.split(QLatin1Char('\n'));
}

void Dataset::checkOpen(const char* what) const
{
    if (m_state == State::Closed)
        throw Error(QStringLiteral("Nelze provést operaci na zavřené datové sadě (%1)").arg(QLatin1String(what)));
}

void Dataset::open()
{
    close();
    MYSQL* my = m_connection.handle();
    const QByteArray text = m_connection.encode(sqlText());
    if (mysql_real_query(my, text.constData(), text.size()) != 0)
        m_connection.failFromHandle();
    MYSQL_RES* res = mysql_store_result(my);
    if (!res) {
        if (mysql_field_count(my) != 0)
            m_connection.failFromHandle();
        throw Error(QStringLiteral("SQL chyba: dotaz nevrací žádná data"));
    }
    m_result = res;
    readFields();
    const my_ulonglong n = mysql_num_rows(res);
    m_rows.reserve(n);
    while (MYSQL_ROW row = mysql_fetch_row(res))
        m_rows.push_back(row);
    m_state = State::Browse;
    applySort();
    setCurrent(m_rows.empty() ? -1 : 0);
    m_bof = true;
}

void Dataset::readFields()
{
    const unsigned n = mysql_num_fields(m_result);
    const MYSQL_FIELD* fields = mysql_fetch_fields(m_result);
    m_fields.clear();
    m_fields.reserve(n);
    for (unsigned i = 0; i < n; ++i) {
        FieldInfo info;
        info.name = QString::fromLatin1(fields[i].name);
        info.table = fields[i].org_table ? QString::fromLatin1(fields[i].org_table) : QString();
        info.column = fields[i].org_name ? QString::fromLatin1(fields[i].org_name) : QString();
        info.kind = kindOf(fields[i]);
        info.displayWidth = int(fields[i].length);
        m_fields.push_back(info);
    }
}

void Dataset::close()
{
    if (m_result) {
        mysql_free_result(m_result);
        m_result = nullptr;
    }
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_order.clear();
    m_order.shrink_to_fit();
    m_posted.clear();
    m_editBuffer.clear();
    m_changed.clear();
    m_state = State::Closed;
    m_current = -1;
    m_eof = m_bof = true;
}

void Dataset::execute()
{
    m_connection.execute(sqlText());
}

int Dataset::fieldIndex(const QString& name) const
{
    for (int i = 0; i < int(m_fields.size()); ++i)
        if (m_fields[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

int Dataset::requireField(const QString& name) const
{
    const int i = fieldIndex(name);
    if (i < 0)
        throw Error(QStringLiteral("Pole %1 nenalezeno").arg(name));
    return i;
}

void Dataset::setCurrent(int row)
{
    m_current = row;
    m_eof = m_bof = m_rows.empty();
}

void Dataset::checkBrowseMode()
{
    if (m_state == State::Edit)
        post();
}

void Dataset::first()
{
    checkOpen("first");
    checkBrowseMode();
    setCurrent(m_rows.empty() ? -1 : 0);
    m_bof = true;
}

void Dataset::last()
{
    checkOpen("last");
    checkBrowseMode();
    setCurrent(int(m_rows.size()) - 1);
    m_eof = true;
}

void Dataset::next()
{
    checkOpen("next");
    checkBrowseMode();
    if (m_current + 1 < int(m_rows.size())) {
        ++m_current;
        m_bof = m_eof = false;
    } else {
        m_eof = true;
    }
}

void Dataset::prior()
{
    checkOpen("prior");
    checkBrowseMode();
    if (m_current > 0) {
        --m_current;
        m_bof = m_eof = false;
    } else {
        m_bof = true;
    }
}

void Dataset::moveTo(int row)
{
    checkOpen("moveTo");
    checkBrowseMode();
    if (m_rows.empty())
        return;
    setCurrent(std::clamp(row, 0, int(m_rows.size()) - 1));
}

int Dataset::find(int field, const QVariant& value) const
{
    if (field < 0 || m_state == State::Closed)
        return -1;
    const FieldKind kind = m_fields[field].kind;
    if (m_posted.empty() && (kind == FieldKind::Integer)) {
        bool ok = false;
        const long long wanted = value.toLongLong(&ok);
        if (!ok)
            return -1;
        for (int r = 0; r < int(m_rows.size()); ++r) {
            const char* s = m_rows[physical(r)][field];
            if (s && std::strtoll(s, nullptr, 10) == wanted)
                return r;
        }
        return -1;
    }
    for (int r = 0; r < int(m_rows.size()); ++r) {
        const QVariant v = valueAt(r, field);
        if (v.isNull() || value.isNull()) {
            if (v.isNull() && value.isNull())
                return r;
            continue;
        }
        if (kind == FieldKind::Float ? v.toDouble() == value.toDouble()
                                     : v == value || v.toString() == value.toString())
            return r;
    }
    return -1;
}

bool Dataset::locate(const QString& fieldName, const QVariant& value)
{
    checkOpen("locate");
    checkBrowseMode();
    const int row = find(requireField(fieldName), value);
    if (row < 0)
        return false;
    setCurrent(row);
    return true;
}

QVariant Dataset::convert(int field, const char* data, unsigned long length) const
{
    if (!data)
        return {};
    switch (m_fields[field].kind) {
    case FieldKind::Integer:
        return QVariant(static_cast<qlonglong>(std::strtoll(data, nullptr, 10)));
    case FieldKind::Float:
        return QVariant(std::strtod(data, nullptr));
    case FieldKind::Date:
        return QVariant(parseDate(data, length));
    case FieldKind::DateTime:
        return QVariant(parseDateTime(data, length));
    case FieldKind::Bytes:
        return QVariant(QByteArray(data, qsizetype(length)));
    default:
        return QVariant(base::fromCp1250(data, qsizetype(length)));
    }
}

const char* Dataset::rawAt(int row, int field, unsigned long* length) const
{
    return storedField(m_rows[physical(row)], field, length);
}

QVariant Dataset::stored(std::uint32_t phys, int field) const
{
    if (!m_posted.empty()) {
        if (auto it = m_posted.find(phys); it != m_posted.end())
            return it->second[field];
    }
    unsigned long length = 0;
    const char* data = storedField(m_rows[phys], field, &length);
    return data ? convert(field, data, length) : QVariant();
}

QVariant Dataset::valueAt(int row, int field) const
{
    if (m_state == State::Edit && row == m_current)
        return m_editBuffer[field];
    return stored(physical(row), field);
}

bool Dataset::isNullAt(int row, int field) const
{
    if ((m_state == State::Edit && row == m_current) || !m_posted.empty())
        return valueAt(row, field).isNull();
    return m_rows[physical(row)][field] == nullptr;
}

QVariant Dataset::value(int field) const
{
    checkOpen("value");
    if (field < 0 || field >= fieldCount())
        throw Error(QStringLiteral("Pole %1 nenalezeno").arg(field));
    if (m_current < 0)
        return {};
    return valueAt(m_current, field);
}

QString Dataset::asString(const QString& fieldName) const
{
    const int f = requireField(fieldName);
    checkOpen("value");
    return m_current < 0 ? QString() : textAt(m_current, f);
}

QString Dataset::textAt(int row, int field) const
{
    const QVariant v = valueAt(row, field);
    if (v.isNull())
        return {};
    switch (m_fields[field].kind) {
    case FieldKind::Float:
        return base::generalNumber(v.toDouble(), base::decimalSeparator());
    case FieldKind::Date:
        return base::formatShortDate(v.toDate());
    case FieldKind::DateTime:
        return base::formatShortDate(v.toDateTime().date()) + v.toDateTime().toString(QStringLiteral(" H:mm:ss"));
    case FieldKind::Bytes:
        return QStringLiteral("(BLOB)");
    default:
        return v.toString();
    }
}

long long Dataset::asInt(const QString& fieldName) const
{
    const QVariant v = value(fieldName);
    if (v.typeId() == QMetaType::Double)
        return std::llround(v.toDouble());
    return v.toLongLong();
}

double Dataset::asFloat(const QString& fieldName) const
{
    return value(fieldName).toDouble();
}

QDate Dataset::asDate(const QString& fieldName) const
{
    const QVariant v = value(fieldName);
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().date();
    return v.toDate();
}

QByteArray Dataset::asBytes(const QString& fieldName) const
{
    const QVariant v = value(fieldName);
    return v.typeId() == QMetaType::QString ? base::toCp1250(v.toString()) : v.toByteArray();
}

void Dataset::edit()
{
    checkOpen("edit");
    if (m_state == State::Edit)
        return;
    if (m_current < 0)
        throw Error(QStringLiteral("Nelze upravit záznam prázdné datové sady"));
    m_editBuffer.resize(m_fields.size());
    for (int f = 0; f < fieldCount(); ++f)
        m_editBuffer[f] = stored(physical(m_current), f);
    m_changed.clear();
    m_state = State::Edit;
}

void Dataset::setValue(const QString& fieldName, const QVariant& value)
{
    const int f = requireField(fieldName);
    edit();
    QVariant v = value;
    const FieldKind kind = m_fields[f].kind;
    if (v.typeId() == QMetaType::QString && kind != FieldKind::Text && kind != FieldKind::Memo) {
        const QString text = v.toString().trimmed();
        if (text.isEmpty()) {
            v = QVariant();
        } else if (kind == FieldKind::Integer) {
            bool ok = false;
            v = QVariant(text.toLongLong(&ok));
            if (!ok)
                throw Error(QStringLiteral("'%1' není platné celé číslo").arg(text));
        } else if (kind == FieldKind::Float) {
            bool ok = false;
            QString t = text;
            t.replace(QLatin1Char(','), QLatin1Char('.')).remove(QLatin1Char(' ')).remove(QChar(0xA0));
            v = QVariant(t.toDouble(&ok));
            if (!ok)
                throw Error(QStringLiteral("'%1' není platné číslo").arg(text));
        } else if (kind == FieldKind::Date || kind == FieldKind::DateTime) {
            const QDate d = dateFromText(text);
            if (!d.isValid())
                throw Error(QStringLiteral("'%1' není platné datum").arg(text));
            v = kind == FieldKind::Date ? QVariant(d) : QVariant(QDateTime(d, QTime(0, 0)));
        }
    } else if (kind == FieldKind::Integer && (v.typeId() == QMetaType::Int || v.typeId() == QMetaType::Double)) {
        v = QVariant(v.toLongLong());
    } else if (kind == FieldKind::Float && !v.isNull()) {
        v = QVariant(v.toDouble());
    } else if ((kind == FieldKind::Text || kind == FieldKind::Memo) && !v.isNull() &&
               v.typeId() != QMetaType::QString) {
        v = QVariant(v.toString());
    }
    m_editBuffer[f] = v;
    m_changed[f] = true;
}

void Dataset::post()
{
    if (m_state != State::Edit)
        return;
    if (!m_changed.empty()) {
        QString table;
        QStringList assignments;
        QVariantList params;
        for (int f = 0; f < fieldCount(); ++f) {
            if (!m_changed.count(f))
                continue;
            const FieldInfo& info = m_fields[f];
            if (info.table.isEmpty() || info.column.isEmpty())
                continue; // computed columns live only in the result
            if (table.isEmpty())
                table = info.table;
            else if (table.compare(info.table, Qt::CaseInsensitive) != 0)
                throw Error(QStringLiteral("Nelze zapsat řádek složený z více tabulek"));
            assignments << identifier(info.column) + QStringLiteral(" = ?");
            params << m_editBuffer[f];
        }
        if (!assignments.isEmpty()) {
            int idField = -1;
            for (int f = 0; f < fieldCount(); ++f)
                if (m_fields[f].column.compare(QLatin1String("id"), Qt::CaseInsensitive) == 0 &&
                    m_fields[f].table.compare(table, Qt::CaseInsensitive) == 0)
                    idField = f;
            if (idField < 0)
                throw Error(QStringLiteral("Nelze zapsat řádek: chybí sloupec id tabulky %1").arg(table));
            params << stored(physical(m_current), idField);
            m_connection.executeParams(QStringLiteral("UPDATE %1 SET %2 WHERE id = ?")
                                           .arg(identifier(table), assignments.join(QStringLiteral(", "))),
                                       params);
        }
        m_posted[physical(m_current)] = m_editBuffer;
    }
    m_editBuffer.clear();
    m_changed.clear();
    m_state = State::Browse;
}

void Dataset::cancel()
{
    if (m_state != State::Edit)
        return;
    m_editBuffer.clear();
    m_changed.clear();
    m_state = State::Browse;
}

void Dataset::setSortKeys(const QString& keys)
{
    // A key the result does not have is refused before anything changes, so it cannot
    // break later openings.
    if (m_state != State::Closed)
        for (const QString& name : keys.split(QLatin1Char(','), Qt::SkipEmptyParts))
            requireField(name.trimmed());
    m_sortKeys = keys.trimmed();
    if (m_state != State::Closed) {
        checkBrowseMode();
        const std::uint32_t phys = m_current >= 0 ? physical(m_current) : 0;
        const bool had = m_current >= 0;
        applySort();
        if (had) {
            const auto it = m_order.empty()
                                ? phys
                                : std::uint32_t(std::find(m_order.begin(), m_order.end(), phys) - m_order.begin());
            setCurrent(int(it));
        }
    }
}

void Dataset::applySort()
{
    m_order.clear();
    if (m_sortKeys.isEmpty() || m_rows.size() < 2)
        return;
    struct Key
    {
        int field;
        FieldKind kind;
        std::vector<long long> ints;
        std::vector<double> reals;
        std::vector<std::uint64_t> prefix;
    };
    std::vector<Key> keys;
    const std::size_t n = m_rows.size();
    std::unordered_map<std::uint32_t, std::vector<QByteArray>> postedText; // raw text of posted rows
    for (const QString& name : m_sortKeys.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        Key k;
        k.field = requireField(name.trimmed());
        k.kind = m_fields[k.field].kind;
        switch (k.kind) {
        case FieldKind::Integer:
        case FieldKind::Date:
        case FieldKind::DateTime:
            k.ints.resize(n);
            for (std::uint32_t p = 0; p < n; ++p) {
                const QVariant v = stored(p, k.field);
                if (v.isNull())
                    k.ints[p] = std::numeric_limits<long long>::min();
                else if (k.kind == FieldKind::Integer)
                    k.ints[p] = v.toLongLong();
                else if (k.kind == FieldKind::Date)
                    k.ints[p] = dateKey(v.toDate());
                else
                    k.ints[p] = v.toDateTime().isValid() ? v.toDateTime().toSecsSinceEpoch()
                                                         : std::numeric_limits<long long>::min();
            }
            break;
        case FieldKind::Float:
            k.reals.resize(n);
            for (std::uint32_t p = 0; p < n; ++p) {
                const QVariant v = stored(p, k.field);
                k.reals[p] = v.isNull() ? -std::numeric_limits<double>::infinity() : v.toDouble();
            }
            break;
        default:
            k.prefix.resize(n);
            for (std::uint32_t p = 0; p < n; ++p) {
                if (!m_posted.empty() && m_posted.count(p)) {
                    auto& texts = postedText[p];
                    texts.resize(m_fields.size());
                    texts[k.field] = base::toCp1250(m_posted.at(p)[k.field].toString());
                    k.prefix[p] = collation::prefixKey(texts[k.field].constData(), texts[k.field].size());
                } else {
                    unsigned long len = 0;
                    const char* s = storedField(m_rows[p], k.field, &len);
                    k.prefix[p] = s ? collation::prefixKey(s, len) : 0;
                }
            }
        }
        keys.push_back(std::move(k));
    }
    auto rawText = [&](std::uint32_t p, int field, unsigned long* len) -> const char* {
        if (!postedText.empty()) {
            if (auto it = postedText.find(p);
                it != postedText.end() && int(it->second.size()) > field && !m_posted.at(p)[field].isNull()) {
                *len = it->second[field].size();
                return it->second[field].constData();
            }
        }
        return storedField(m_rows[p], field, len);
    };
    m_order.resize(n);
    for (std::uint32_t i = 0; i < n; ++i)
        m_order[i] = i;
    std::stable_sort(m_order.begin(), m_order.end(), [&](std::uint32_t a, std::uint32_t b) {
        for (const Key& k : keys) {
            if (!k.ints.empty()) {
                if (k.ints[a] != k.ints[b])
                    return k.ints[a] < k.ints[b];
            } else if (!k.reals.empty()) {
                if (k.reals[a] != k.reals[b])
                    return k.reals[a] < k.reals[b];
            } else {
                if (k.prefix[a] != k.prefix[b])
                    return k.prefix[a] < k.prefix[b];
                unsigned long la = 0, lb = 0;
                const char* sa = rawText(a, k.field, &la);
                const char* sb = rawText(b, k.field, &lb);
                if (!sa || !sb) {
                    if (sa != sb)
                        return sa == nullptr;
                    continue;
                }
                if (la <= 8 && lb <= 8 && la == lb)
                    continue; // equal prefixes of short texts: same weights
                const int c = collation::compare(sa, la, sb, lb);
                if (c != 0)
                    return c < 0;
            }
        }
        return false;
    });
}

} // namespace db
