#pragma once

#include <QString>

namespace db {
class Connection;
}

// The checks run when a field of the entry panel is left, without the window: each takes
// the connection and the values it needs and returns what the window writes or shows.
namespace entry {

// Text of a date edit that holds no date.
QString emptyDateText();

// The number within a kind for a record of that kind: the highest number of the kind + 1,
// or, while the kind has none, the configured first number + 1 (firstFP for "FP", firstFV
// for any other kind). A configured number that is not a whole number raises db::Error.
long long numberInKind(db::Connection& connection, const QString& kind, const QString& firstFP, const QString& firstFV);

// The name of the newest record (highest id) with this IČO; empty when there is none.
QString newestName(db::Connection& connection, const QString& ico);

// Whether another row than excludeId has this invoice number with this IČO.
bool invoiceNumberExists(db::Connection& connection, const QString& ico, const QString& invoiceNumber,
                         long long excludeId);

// Whether another row than excludeId uses this supplementary text.
bool textUsedElsewhere(db::Connection& connection, const QString& text, long long excludeId);

// Whole days between the dates shown in two date edits ("dd.mm.yyyy"), in either order;
// 0 when either shows no date.
int daysBetween(const QString& shownA, const QString& shownB);

// Whole-number reading of a configured text, as the conversion error reports it.
long long wholeNumber(const QString& text);

} // namespace entry
