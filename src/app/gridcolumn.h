#pragma once

#include <QColor>
#include <QList>
#include <QString>

namespace app {

// One column of the list grid, as the layout file keeps it.
struct GridColumn
{
    QString field;
    QString title;
    int width = -1; // pixels; -1 = derived from the field's display width
    bool visible = true;
    Qt::Alignment alignment = Qt::AlignLeft;
    QColor color; // invalid = the grid's background
    QString fontName = QStringLiteral("Tahoma");
    int fontPixels = 11;
    bool bold = false;
    QColor fontColor = QColor(0x5C, 0x4C, 0x29);
    QColor titleColor = QColor(0x40, 0x34, 0x1A);
};

// The grid's built-in columns, in display order.
QList<GridColumn> builtInColumns();

// The layout file: the column collection in display order. Throws app::FileError when the
// file exists but is not a column layout.
void writeLayout(const QString& path, const QList<GridColumn>& columns);
QList<GridColumn> readLayout(const QString& path);

} // namespace app
