#include "list/gridview.h"

#include <QHeaderView>
#include <QMouseEvent>

namespace list {

GridView::GridView(QWidget* parent) : QTableView(parent)
{
    setObjectName(QStringLiteral("RxDBGrid1"));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setFocusPolicy(Qt::ClickFocus);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setShowGrid(true);
    setCornerButtonEnabled(false);
    horizontalHeader()->setSectionsMovable(true);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(17);
    verticalHeader()->setFixedWidth(12);
    verticalHeader()->setHighlightSections(false);
    connect(this, &QTableView::clicked, this, &GridView::cellClicked);
}

void GridView::mousePressEvent(QMouseEvent* event)
{
    QTableView::mousePressEvent(event);
    emit mousePressed();
}

void GridView::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTableView::mouseDoubleClickEvent(event);
    if (indexAt(event->position().toPoint()).isValid())
        emit doubleClicked();
}

void GridView::enterEvent(QEnterEvent* event)
{
    QTableView::enterEvent(event);
    emit mouseEntered();
}

void GridView::focusInEvent(QFocusEvent* event)
{
    QTableView::focusInEvent(event);
    emit focusEntered();
}

void GridView::focusOutEvent(QFocusEvent* event)
{
    QTableView::focusOutEvent(event);
    emit focusLeft();
}

} // namespace list
