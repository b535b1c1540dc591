#pragma once

#include "db/dataset.h"

#include <QString>

// Ordering and narrowing of the invoice list, without the window: the list query's
// ordering key list and its selection line.
namespace list {

// Orders the list by a key list ("ico, por_cis") on the client, without re-reading it, and
// returns to the invoice that was current (by its register number), else to the first row.
// Every key must be a field of the list: a key that is not fails before anything changes,
// so a bad key never sticks to the later openings of the list.
void orderList(db::Dataset& list, const QString& keys);

// The selection line that narrows the list to the rows sharing the current row's value of
// field `name`, for a field of this kind of value; empty (the whole list) for kinds that
// give no condition. Values go through quoting, numbers with a period. The paid mark
// "ZAPL" and the document mark "typ" select the other group than the current row's.
QString selectionCondition(const db::Dataset& list, const QString& name, db::FieldKind kind);

} // namespace list
