#include "report/datasource.h"

namespace report {

TableDataSource::TableDataSource(const QStringList& fieldNames) : m_fields(fieldNames) {}

void TableDataSource::addRow(const QVariantList& values)
{
    m_rows.push_back(values);
}

QVariant TableDataSource::value(int row, int field) const
{
    if (row < 0 || row >= rowCount())
        return {};
    const QVariantList& r = m_rows[static_cast<size_t>(row)];
    return field >= 0 && field < r.size() ? r[field] : QVariant();
}

} // namespace report
