#include "list/listexport.h"

#include "base/formats.h"
#include "db/dataset.h"
#include "xls/workbookwriter.h"

#include <vector>

namespace list {

bool exportList(const db::Dataset& list, const QList<app::GridColumn>& columns, const QString& path, QString* error)
{
    QStringList titles;
    std::vector<int> fields; // dataset field under each exported column, -1 for none
    for (const app::GridColumn& c : columns) {
        if (!c.visible)
            continue;
        titles << c.title;
        int f = list.isOpen() ? list.fieldIndex(c.field) : -1;
        if (f >= 0 && list.field(f).kind == db::FieldKind::Bytes)
            f = -1;
        fields.push_back(f);
    }
    xls::WorkbookWriter writer(titles);
    const int rows = list.isOpen() ? list.recordCount() : 0;
    std::vector<xls::Cell> cells(fields.size());
    for (int r = 0; r < rows; ++r) {
        for (std::size_t c = 0; c < fields.size(); ++c) {
            const int f = fields[c];
            const QVariant v = f >= 0 ? list.valueAt(r, f) : QVariant();
            if (v.isNull()) {
                cells[c] = xls::Cell::empty();
                continue;
            }
            switch (list.field(f).kind) {
            case db::FieldKind::Integer:
            case db::FieldKind::Float:
                cells[c] = xls::Cell::number(v.toDouble());
                break;
            case db::FieldKind::Date:
                cells[c] = xls::Cell::date(v.toDate());
                break;
            case db::FieldKind::DateTime:
                // The writer keeps whole days: the time goes with the text the grid shows.
                cells[c] = xls::Cell::text(base::formatShortDate(v.toDateTime().date()) +
                                           v.toDateTime().toString(QStringLiteral(" H:mm:ss")));
                break;
            case db::FieldKind::Text:
            case db::FieldKind::Memo:
                cells[c] = xls::Cell::text(v.toString());
                break;
            default:
                cells[c] = xls::Cell::empty();
            }
        }
        writer.addRow(cells);
    }
    return writer.save(path, error);
}

} // namespace list
