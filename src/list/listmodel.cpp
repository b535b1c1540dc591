#include "list/listmodel.h"

#include "base/formats.h"
#include "db/dataset.h"

#include <QFont>

namespace list {

ListModel::ListModel(db::Dataset& dataset, QObject* parent) : QAbstractTableModel(parent), m_dataset(dataset) {}

void ListModel::setColumns(const QList<app::GridColumn>& columns)
{
    beginResetModel();
    m_columns = columns;
    mapFields();
    endResetModel();
}

void ListModel::mapFields()
{
    m_fields.clear();
    for (const app::GridColumn& c : m_columns)
        m_fields << (m_dataset.isOpen() ? m_dataset.fieldIndex(c.field) : -1);
}

int ListModel::fieldOf(int column) const
{
    return column >= 0 && column < m_fields.size() ? m_fields[column] : -1;
}

void ListModel::reload()
{
    m_indicatorRow = -1;
    beginResetModel();
    mapFields();
    endResetModel();
}

void ListModel::rowChanged(int row)
{
    if (row >= 0 && row < rowCount())
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void ListModel::setIndicatorRow(int row)
{
    if (row == m_indicatorRow)
        return;
    const int before = m_indicatorRow;
    m_indicatorRow = row;
    if (before >= 0 && before < rowCount())
        emit headerDataChanged(Qt::Vertical, before, before);
    if (row >= 0 && row < rowCount())
        emit headerDataChanged(Qt::Vertical, row, row);
}

int ListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !m_dataset.isOpen() ? 0 : m_dataset.recordCount();
}

int ListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QString ListModel::displayText(int row, int column) const
{
    const int f = fieldOf(column);
    if (f < 0 || row < 0 || row >= rowCount())
        return {};
    return m_dataset.textAt(row, f);
}

int ListModel::autoWidth(int column) const
{
    const int f = fieldOf(column);
    int chars = 10;
    if (f >= 0) {
        switch (m_dataset.field(f).kind) {
        case db::FieldKind::Date:
            chars = 10;
            break;
        case db::FieldKind::Integer:
            chars = 8;
            break;
        case db::FieldKind::Float:
            chars = 11;
            break;
        default:
            chars = std::clamp(m_dataset.field(f).displayWidth, 4, 30);
        }
    }
    const int title = int(m_columns.value(column).title.size());
    return std::max(chars, title) * 7 + 6;
}

QVariant ListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const app::GridColumn& c = m_columns[index.column()];
    switch (role) {
    case Qt::DisplayRole:
        return displayText(index.row(), index.column());
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment(c.alignment | Qt::AlignVCenter));
    case Qt::FontRole: {
        QFont font(c.fontName);
        font.setPixelSize(c.fontPixels);
        font.setBold(c.bold);
        return font;
    }
    case Qt::ForegroundRole:
        return c.fontColor;
    default:
        return {};
    }
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical) {
        if (role == Qt::DisplayRole)
            return section == m_indicatorRow ? QStringLiteral("▸") : QString();
        return {};
    }
    if (section < 0 || section >= m_columns.size())
        return {};
    if (role == Qt::DisplayRole)
        return m_columns[section].title;
    if (role == Qt::ForegroundRole)
        return m_columns[section].titleColor;
    return {};
}

} // namespace list
