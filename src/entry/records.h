#pragma once

#include <QDate>
#include <QString>
#include <QVariantList>

namespace db {
class Connection;
class Dataset;
} // namespace db

// The record operations of the entry panel and the list, without the window.
namespace entry {

// Why Zapsat refuses a record, tested in this order.
enum class SaveRefusal
{
    None,
    ZeroAmount, // the amount field is empty or the amount is 0
    Incomplete, // IČO, kind or invoice number missing
    NoChange    // the entry query is not in edit state
};
// amountText is the text of the amount field; entry is the entry query (may be closed).
SaveRefusal checkSave(const QString& amountText, const db::Dataset& entry);
QString refusalText(SaveRefusal refusal);

// The values of the current row of a dataset, field by field.
QVariantList rowValues(const db::Dataset& dataset);

struct SaveOutcome
{
    long long id = 0;            // the row the record was written to
    bool movedToNewRow = false;  // its row had been taken over by another workstation
    long long porCis = 0;        // register number as written
    bool porCisAssigned = false; // the record had none (or moved) and got the next one
    long long cislo = 0;         // number within the kind as written
    long long oldCislo = 0;
    bool renumbered = false; // another record of the kind had the number: the next was given
};

// Writes the record held in the entry query (edit state) to its row, in one transaction
// retried whole after a conflict: the changed columns (against loaded, the values it was
// loaded with); the number within the kind re-checked and renumbered when it has none, or
// when another record of the kind has it and this record's number is the newer one (given
// in this edit, or the other row is older); an "FV" invoice number that repeats the old
// number follows it; a register number given when it has none. When the row was an unfilled row
// that meanwhile another workstation took (holds it, or filled it), the record is inserted
// as a new row with its own register number instead of overwriting the other's. Lets go
// of holder's hold. The entry query itself is not changed.
SaveOutcome saveRecord(db::Connection& connection, const QString& holder, const db::Dataset& entry,
                       const QVariantList& loaded, const QString& firstFP, const QString& firstFV, const QDate& today);

// Values that Zrušit obsah writes: an unfilled row without a register number.
void clearRecord(db::Connection& connection, long long id);
// The same through a dataset standing on the row (the list), written at once.
void clearCurrentRow(db::Dataset& dataset);

// Copies row sourceId as a new record through the temporary table _kopie: its own id, the
// next register number, today's date, amount 0, no issue or due date; every other column
// as the table holds it. _kopie is dropped also when a step fails. Returns the new id.
long long copyRecord(db::Connection& connection, long long sourceId, const QDate& today);

// A name beginning with "Výmaz" marks a deleted record (letter case counts).
bool isDeleteMarked(const QString& name);
// Marks the dataset's current row as deleted and writes it at once: the name
// "Výmaz dne: <short date> IČO: <former IČO>", the IČO empty, the amount 0, and the
// number within the kind, text, due date, supplier, second IČO and advance cleared.
void markDeleted(db::Dataset& dataset, const QDate& today);

} // namespace entry
