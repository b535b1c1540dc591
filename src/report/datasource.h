#pragma once

#include <QStringList>
#include <QVariant>

#include <vector>

namespace report {

// Rows a report reads through a dataset alias. Values: QString, numbers, QDate/QDateTime,
// bool, QByteArray (pictures) or a null QVariant.
class DataSource
{
public:
    virtual ~DataSource() = default;
    virtual int rowCount() const = 0;
    virtual QStringList fieldNames() const = 0;
    virtual QVariant value(int row, int field) const = 0;
};

// Rows held in memory.
class TableDataSource final : public DataSource
{
public:
    explicit TableDataSource(const QStringList& fieldNames = {});

    void setFieldNames(const QStringList& names) { m_fields = names; }
    void addRow(const QVariantList& values);
    void reserve(int rows) { m_rows.reserve(rows); }
    void clear() { m_rows.clear(); }

    int rowCount() const override { return static_cast<int>(m_rows.size()); }
    QStringList fieldNames() const override { return m_fields; }
    QVariant value(int row, int field) const override;

private:
    QStringList m_fields;
    std::vector<QVariantList> m_rows;
};

} // namespace report
