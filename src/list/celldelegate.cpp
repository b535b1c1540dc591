#include "list/celldelegate.h"

#include "list/listmodel.h"

#include <QAbstractItemView>
#include <QPainter>

namespace list {

const QColor CellDelegate::kPaid(0x00, 0x80, 0x00);
const QColor CellDelegate::kUnpaid(0xFF, 0x00, 0x00);
const QColor CellDelegate::kDocument(0xC0, 0xC0, 0xC0);
const QColor CellDelegate::kCurrent(0xFF, 0xFF, 0x00);

CellDelegate::CellDelegate(ListModel& model, QObject* parent) : QStyledItemDelegate(parent), m_model(model) {}

void CellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QString field = m_model.fieldName(index.column());
    const QString text = index.data(Qt::DisplayRole).toString();
    const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
    const bool current = view && view->currentIndex() == index;
    const bool marked = option.state & QStyle::State_Selected;

    QColor background = option.palette.color(QPalette::Base);
    QColor foreground = index.data(Qt::ForegroundRole).value<QColor>();
    if (marked) {
        background = option.palette.color(QPalette::Highlight);
        foreground = option.palette.color(QPalette::HighlightedText);
    }
    if (current) {
        background = kCurrent;
        foreground = index.data(Qt::ForegroundRole).value<QColor>();
    }
    // Exact, case-sensitive names and values.
    if (field == QLatin1String("ZAPL")) {
        background = foreground = text == QLatin1String("A") ? kPaid : kUnpaid;
    } else if (field == QLatin1String("typ") && text == QLatin1String("D")) {
        background = kDocument;
        foreground = index.data(Qt::ForegroundRole).value<QColor>();
    }

    painter->save();
    painter->fillRect(option.rect, background);
    painter->setPen(foreground);
    painter->setFont(index.data(Qt::FontRole).value<QFont>());
    const auto align = Qt::Alignment(index.data(Qt::TextAlignmentRole).toInt());
    painter->drawText(option.rect.adjusted(2, 0, -2, 0), int(align | Qt::AlignVCenter | Qt::TextSingleLine), text);
    painter->restore();
}

} // namespace list
