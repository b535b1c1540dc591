#pragma once

#include "app/gridcolumn.h"

#include <QAbstractTableModel>

namespace db {
class Dataset;
}

namespace list {

// The list grid's model: the list query's rows under the grid's column collection. Values
// are converted only for the cells being drawn, so a million rows open as fast as the
// query returns them.
class ListModel final : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit ListModel(db::Dataset& dataset, QObject* parent = nullptr);

    void setColumns(const QList<app::GridColumn>& columns);
    const QList<app::GridColumn>& columns() const { return m_columns; }
    // The dataset field behind a grid column, -1 when the field is not in the result.
    int fieldOf(int column) const;
    // Field name of a grid column as written in the column collection.
    QString fieldName(int column) const { return m_columns.value(column).field; }

    // The dataset was reopened or closed.
    void reload();
    // Values of one row changed in place.
    void rowChanged(int row);
    // The row the indicator column marks (the list query's current row).
    void setIndicatorRow(int row);

    // The text a cell shows.
    QString displayText(int row, int column) const;
    // Width in pixels of a column whose width is derived from its field.
    int autoWidth(int column) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void mapFields();

    db::Dataset& m_dataset;
    QList<app::GridColumn> m_columns;
    QList<int> m_fields;
    int m_indicatorRow = -1;
};

} // namespace list
