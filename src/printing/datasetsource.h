#pragma once

#include "report/datasource.h"

namespace db {
class Dataset;
}

namespace printing {

// The rows of a query as a report reads them, in the query's order; a closed query has none.
class DatasetSource final : public report::DataSource
{
public:
    explicit DatasetSource(const db::Dataset& dataset) : m_dataset(dataset) {}
    int rowCount() const override;
    QStringList fieldNames() const override;
    QVariant value(int row, int field) const override;

private:
    const db::Dataset& m_dataset;
};

} // namespace printing
