#pragma once

#include <QTableView>

namespace list {

// The list grid `RxDBGrid1`: read-only, rows marked with Ctrl/Shift, the current cell kept
// visible without the focus, skipped by Tab. It reports its events to the main window.
class GridView final : public QTableView
{
    Q_OBJECT
public:
    explicit GridView(QWidget* parent = nullptr);

signals:
    void cellClicked(const QModelIndex& index);
    void mousePressed();
    void mouseEntered();
    void doubleClicked();
    void focusEntered();
    void focusLeft();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};

} // namespace list
