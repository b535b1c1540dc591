#pragma once

#include "app/gridcolumn.h"

#include <QList>
#include <QString>

namespace db {
class Dataset;
}

// The export of the invoice list into a legacy .xls workbook, as the grid shows it.
namespace list {

// Writes the grid's visible columns (display order; their titles in row 1) and one row per
// list row in list order, each value in its own kind: numbers as numbers, dates as dates,
// texts as texts; a field the list does not hold, or raw bytes, leaves its column empty
// under the title. A longer list than one sheet holds continues on further sheets. The
// file is written beside `path` and renamed over it, so a failure leaves nothing under
// that name (an existing file stays). The list's current row does not move. Returns false
// with *error when the workbook could not be written.
bool exportList(const db::Dataset& list, const QList<app::GridColumn>& columns, const QString& path, QString* error);

} // namespace list
