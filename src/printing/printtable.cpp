#include "printing/printtable.h"

#include "db/connection.h"
#include "db/sqltext.h"

namespace printing {

void buildPrintTable(db::Connection& connection, const QStringList& listSql, const QString& mark)
{
    connection.execute(QStringLiteral("drop temporary table if exists _protisk"));
    // The invoice table's columns, then the list's two computed marks.
    connection.execute(QStringLiteral("create temporary table _protisk like ledrana"));
    connection.execute(QStringLiteral("alter table _protisk add column ZAPL varchar(1) not null default '', "
                                      "add column typ varchar(1) not null default ''"));
    connection.execute(QStringLiteral("insert into _protisk\n") + listSql.join(QLatin1Char('\n')));
    connection.execute(QStringLiteral("update _protisk set textm1 = %1").arg(db::quote(mark)));
}

void markPrintRows(db::Connection& connection, const QList<long long>& ids)
{
    constexpr int kChunk = 1000;
    for (int at = 0; at < ids.size(); at += kChunk) {
        QStringList list;
        for (int i = at; i < std::min<int>(at + kChunk, int(ids.size())); ++i)
            list << QString::number(ids[i]);
        connection.execute(QStringLiteral("update _protisk set textm1 = \"A\" where id in (%1)").arg(list.join(',')));
    }
}

} // namespace printing
