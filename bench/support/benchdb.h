#pragma once

#include "db/connection.h"

#include <QString>

// The private database server of a benchmark run (scripts/bench starts it) and a register
// of generated invoices in it.
namespace bench {

db::Settings serverSettings();

// Creates database name afresh from sql/schema.sql and makes it the connection's current one.
void createDatabase(db::Connection& c, const QString& name);

// Creates database name from sql/schema.sql and fills it with invoices; a third of them
// have one or two small documents.
void createRegister(db::Connection& c, const QString& name, int invoices);

} // namespace bench
