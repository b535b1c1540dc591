#include "printing/datasetsource.h"

#include "db/dataset.h"

namespace printing {

int DatasetSource::rowCount() const
{
    return m_dataset.isOpen() ? m_dataset.recordCount() : 0;
}

QStringList DatasetSource::fieldNames() const
{
    QStringList names;
    if (m_dataset.isOpen())
        for (int f = 0; f < m_dataset.fieldCount(); ++f)
            names << m_dataset.field(f).name;
    return names;
}

QVariant DatasetSource::value(int row, int field) const
{
    return m_dataset.valueAt(row, field);
}

} // namespace printing
