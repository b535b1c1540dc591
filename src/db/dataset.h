#pragma once

#include "db/connection.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

struct st_mysql_res;

namespace db {

enum class FieldKind
{
    Text,    // short text
    Memo,    // long text (TEXT columns)
    Integer, // whole number
    Float,   // number that may have a fractional part
    Date,
    DateTime,
    Bytes, // raw bytes (BLOB)
    Other
};

struct FieldInfo
{
    QString name;   // as the statement names it
    QString table;  // the table the column comes from; empty for computed columns
    QString column; // the column's own name in that table
    FieldKind kind = FieldKind::Text;
    int displayWidth = 0; // characters the server announces for the column
};

// A query on the shared connection: statement text by lines, open (all rows fetched) or
// execute, typed field values, navigation, locate, client-side ordering by a key list, and
// edit / post / cancel of the current row, written back to its table by `id`.
//
// Rows are kept as the client library delivered them (one block per result) and converted
// only when read, so a list of a million invoices costs little more than the raw result.
class Dataset final
{
public:
    enum class State
    {
        Closed,
        Browse,
        Edit
    };

    explicit Dataset(Connection& connection);
    ~Dataset();
    Dataset(const Dataset&) = delete;
    Dataset& operator=(const Dataset&) = delete;

    Connection& connection() const { return m_connection; }

    // Statement text, one entry per line; joined with line breaks when sent.
    QStringList& sql() { return m_sql; }
    const QStringList& sql() const { return m_sql; }
    void setSql(const QString& text);
    QString sqlText() const { return m_sql.join(QLatin1Char('\n')); }

    void open();
    void close();
    void execute();
    bool isOpen() const { return m_state != State::Closed; }
    State state() const { return m_state; }

    // Client-side ordering: field names separated by ", ", ascending; empty = server order.
    // Applied at every open, and at once when the dataset is open.
    void setSortKeys(const QString& keys);
    const QString& sortKeys() const { return m_sortKeys; }

    // Fields.
    int fieldCount() const { return int(m_fields.size()); }
    const FieldInfo& field(int index) const { return m_fields[index]; }
    int fieldIndex(const QString& name) const;   // case-insensitive; -1 when missing
    int requireField(const QString& name) const; // raises "Pole <name> nenalezeno"

    // Navigation over rows in list order (0-based); -1 when the dataset is empty.
    int recordCount() const { return int(m_rows.size()); }
    int recNo() const { return m_current; }
    bool isEmpty() const { return m_rows.empty(); }
    bool eof() const { return m_eof; }
    bool bof() const { return m_bof; }
    void first();
    void last();
    void next();
    void prior();
    void moveTo(int row);
    // Moves to the first row (in list order) whose field equals value; false = not found.
    bool locate(const QString& fieldName, const QVariant& value);
    // Row index (list order) whose field equals value, or -1.
    int find(int field, const QVariant& value) const;

    // Values of the current row (a null QVariant for NULL).
    QVariant value(int field) const;
    QVariant value(const QString& fieldName) const { return value(requireField(fieldName)); }
    bool isNull(const QString& fieldName) const { return value(fieldName).isNull(); }
    // Values as the common conversions read them: NULL gives "", 0, 0.0, an invalid date.
    QString asString(const QString& fieldName) const;
    long long asInt(const QString& fieldName) const;
    double asFloat(const QString& fieldName) const;
    QDate asDate(const QString& fieldName) const;
    QByteArray asBytes(const QString& fieldName) const;

    // Values of any row in list order.
    QVariant valueAt(int row, int field) const;
    bool isNullAt(int row, int field) const;
    // A field of any row as the user sees it: numbers in the general format with the user's
    // decimal separator, dates in the short date format; empty for NULL.
    QString textAt(int row, int field) const;
    // The raw cp1250 bytes of a field (no conversion); nullptr for NULL.
    const char* rawAt(int row, int field, unsigned long* length) const;

    // Editing the current row.
    void edit();
    void setValue(const QString& fieldName, const QVariant& value);
    bool isModified() const { return m_state == State::Edit && m_changed.size() > 0; }
    // Writes the changed fields back to the row's table by `id`; returns to browse state.
    void post();
    // Drops the pending changes.
    void cancel();

private:
    std::uint32_t physical(int row) const { return m_order.empty() ? std::uint32_t(row) : m_order[row]; }
    QVariant convert(int field, const char* data, unsigned long length) const;
    QVariant stored(std::uint32_t phys, int field) const;
    void checkOpen(const char* what) const;
    void checkBrowseMode();
    void applySort();
    void setCurrent(int row);
    void readFields();

    Connection& m_connection;
    QStringList m_sql;
    State m_state = State::Closed;
    st_mysql_res* m_result = nullptr;
    std::vector<FieldInfo> m_fields;
    std::vector<char**> m_rows;         // physical rows as the client library holds them
    std::vector<std::uint32_t> m_order; // list order -> physical row; empty = server order
    QString m_sortKeys;
    int m_current = -1;
    bool m_eof = true;
    bool m_bof = true;
    // Rows changed by post(): their values replace the fetched ones.
    std::unordered_map<std::uint32_t, std::vector<QVariant>> m_posted;
    std::vector<QVariant> m_editBuffer;
    std::unordered_map<int, bool> m_changed;
};

} // namespace db
