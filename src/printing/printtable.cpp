#include "printing/printtable.h"

#include "db/connection.h"
#include "db/dataset.h"
#include "db/sqltext.h"

namespace printing {

void buildPrintTable(db::Connection& connection, const QStringList& listSql, const QString& mark)
{
    connection.execute(QStringLiteral("drop temporary table if exists _protisk"));
    // The invoice table's columns, then the list's two computed marks.
    connection.execute(QStringLiteral("create temporary table _protisk like ledrana"));
    // Only the primary key is kept: the copy fills several times faster without the
    // invoice table's other indexes, and the print reads it whole.
    db::Dataset indexes(connection);
    indexes.setSql(QStringLiteral("show index from _protisk"));
    indexes.open();
    QStringList changes;
    for (int r = 0; r < indexes.recordCount(); ++r) {
        const QString name = indexes.valueAt(r, indexes.requireField(QStringLiteral("Key_name"))).toString();
        const QString drop = QStringLiteral("drop index ") + db::identifier(name);
        if (name != QLatin1String("PRIMARY") && !changes.contains(drop))
            changes << drop;
    }
    changes << QStringLiteral("add column ZAPL varchar(1) not null default ''")
            << QStringLiteral("add column typ varchar(1) not null default ''");
    connection.execute(QStringLiteral("alter table _protisk ") + changes.join(QStringLiteral(", ")));
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
