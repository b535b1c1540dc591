#pragma once

#include <QDate>
#include <QString>

namespace db {
class Connection;
}

namespace entry {

// The first register number of a year: the year's last two digits followed by "00001".
long long firstNumberOfYear(const QDate& today);

// Inside a shared transaction: the highest register number + 1, or the first number of
// the year while no row has a register number other than 0.
long long nextRegisterNumber(db::Connection& connection, const QDate& today);

struct Allocation
{
    long long id = 0;      // the row the panel opens
    long long porCis = 0;  // its register number
    bool inserted = false; // a new row was inserted (no unfilled row was free)
    bool numbered = false; // the row got its register number and today's date now
};

// The new-record allocation: reuses the first unfilled row (amount 0, no name) that no
// other workstation holds, or inserts one; numbers it when it has no register number;
// and makes holder its holder. One transaction, retried whole after a conflict, so two
// workstations never get the same row or the same number.
Allocation allocateRecord(db::Connection& connection, const QString& holder, const QDate& today);

// Makes holder the holder of a listed row loaded for editing, unless another live
// holder has it. False when another holder keeps it.
bool holdListedRow(db::Connection& connection, const QString& holder, long long id);

} // namespace entry
