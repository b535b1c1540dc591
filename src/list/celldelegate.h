#pragma once

#include <QStyledItemDelegate>

namespace list {

class ListModel;

// Draws every cell of the list grid: the paid mark as a solid green or red square whose
// letter cannot be read, the document mark "D" on silver, the current cell yellow and the
// marked rows in the highlight colours.
class CellDelegate final : public QStyledItemDelegate
{
    Q_OBJECT
public:
    CellDelegate(ListModel& model, QObject* parent);
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    static const QColor kPaid;
    static const QColor kUnpaid;
    static const QColor kDocument;
    static const QColor kCurrent;

private:
    ListModel& m_model;
};

} // namespace list
