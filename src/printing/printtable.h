#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace db {
class Connection;
}

// The print table `_protisk`: a copy of the list's current result with a print mark per
// row. It is private to the connection, so a print on another workstation never changes
// what this one prints; it keeps the last printed rows until the next print.
namespace printing {

// Builds `_protisk` from the list query's text and sets every row's mark ("A" or "N").
// Created first and then filled, which also works where CREATE TABLE ... SELECT is refused.
void buildPrintTable(db::Connection& connection, const QStringList& listSql, const QString& mark);

// Marks the rows with these ids "A".
void markPrintRows(db::Connection& connection, const QList<long long>& ids);

} // namespace printing
