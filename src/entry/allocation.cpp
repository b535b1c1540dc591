#include "entry/allocation.h"

#include "db/connection.h"
#include "db/sqltext.h"
#include "entry/claims.h"

namespace entry {

long long firstNumberOfYear(const QDate& today)
{
    return (today.toString(QStringLiteral("yyyy")).right(2) + QStringLiteral("00001")).toLongLong();
}

long long nextRegisterNumber(db::Connection& connection, const QDate& today)
{
    const QVariant highest = connection.scalar(
        QStringLiteral("select por_cis from ledrana where por_cis <> 0 order by por_cis desc limit 0,1"));
    return highest.isNull() ? firstNumberOfYear(today) : highest.toLongLong() + 1;
}

Allocation allocateRecord(db::Connection& connection, const QString& holder, const QDate& today)
{
    Allocation a;
    runShared(connection, [&] {
        a = Allocation();
        // An unfilled row that no other live panel holds; this workstation's own hold
        // (a record it left unfilled) does not keep it from being reused.
        const QVariantList row =
            firstRow(connection, QStringLiteral("select l.id, l.por_cis from ledrana l left join ledrana_zamky z "
                                                "on z.klic = concat(\"radek \", l.id) and z.drzitel <> %1 "
                                                "and z.plati_do > now() "
                                                "where (l.castka = 0) and (l.nazev is null) and (z.klic is null) "
                                                "order by l.id limit 0,1")
                                     .arg(db::quote(holder)));
        if (!row.isEmpty()) {
            a.id = row[0].toLongLong();
            a.porCis = row[1].toLongLong();
        } else {
            connection.execute(
                QStringLiteral("insert into ledrana (por_cis, datum) values (0, %1)").arg(db::quoteDate(today)));
            a.id = static_cast<long long>(connection.lastInsertId());
            a.inserted = true;
        }
        if (a.porCis == 0) {
            a.porCis = nextRegisterNumber(connection, today);
            connection.execute(QStringLiteral("update ledrana set por_cis = %1, datum = %2 where id = %3")
                                   .arg(a.porCis)
                                   .arg(db::quoteDate(today))
                                   .arg(a.id));
            a.numbered = true;
        }
        holdRow(connection, holder, a.id);
    });
    return a;
}

bool holdListedRow(db::Connection& connection, const QString& holder, long long id)
{
    bool held = false;
    runShared(connection, [&] {
        held = false;
        if (heldByOther(connection, holder, id)) {
            connection.execute(QStringLiteral("delete from ledrana_zamky where drzitel = %1").arg(db::quote(holder)));
            return;
        }
        holdRow(connection, holder, id);
        held = true;
    });
    return held;
}

} // namespace entry
