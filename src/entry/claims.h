#pragma once

#include <QString>
#include <QVariantList>

#include <functional>

namespace db {
class Connection;
}

// What the workstations share besides the invoices: the table ledrana_zamky, with
//  - the row "poradi", which every transaction that hands out a number or a row writes
//    first, so on one server these transactions run one after the other (and cannot
//    deadlock), and on a cluster, where row locks hold on one node only, the certification
//    aborts all but one of concurrent ones at COMMIT and they are run again;
//  - one row per invoice row held in a workstation's entry panel ("radek <id>"), with the
//    holder and the end of its lease. An allocation never hands out an unfilled row that
//    another live holder has. The lease is renewed while the panel holds the row and the
//    hold is released on save, discard and close.
namespace entry {

// Lease of a hold in seconds; a workstation renews its hold well before it runs out.
constexpr int kLeaseSeconds = 600;

// The statement that creates the table; the program creates it when a server set up
// before it was added lacks it.
QString claimsTableDdl();

// A name for this workstation's panel, unique among the workstations of the register.
QString newHolderId();

// Runs body in a transaction (READ COMMITTED, so that every statement sees what others
// committed before it) that first writes the row "poradi" and is retried whole after a
// deadlock or a cluster conflict. When the table is missing, creates it and runs again.
void runShared(db::Connection& connection, const std::function<void()>& body);

// Writes the row of this key (creating it), so that concurrent writers conflict.
void touchSequence(db::Connection& connection, const QString& sequence);

// Inside runShared: the holder takes row id and lets go of any other row it held.
void holdRow(db::Connection& connection, const QString& holder, long long id);
// Whether another holder's lease on row id is still running.
bool heldByOther(db::Connection& connection, const QString& holder, long long id);

// Outside a transaction: extends the holder's lease; false when it holds nothing.
bool renewHold(db::Connection& connection, const QString& holder);
// Outside a transaction: lets go of whatever the holder holds.
void releaseHolds(db::Connection& connection, const QString& holder);

// The first row of a result as values (empty when no row came back).
QVariantList firstRow(db::Connection& connection, const QString& sql);

} // namespace entry
