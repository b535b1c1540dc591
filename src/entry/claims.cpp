#include "entry/claims.h"

#include "db/connection.h"
#include "db/dataset.h"
#include "db/sqltext.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QSysInfo>

namespace entry {
namespace {

constexpr unsigned kNoSuchTable = 1146;

QString rowKey(long long id)
{
    return db::quote(QStringLiteral("radek %1").arg(id));
}

QString leaseEnd()
{
    return QStringLiteral("now() + interval %1 second").arg(kLeaseSeconds);
}

} // namespace

QString claimsTableDdl()
{
    return QStringLiteral("CREATE TABLE IF NOT EXISTS ledrana_zamky (\n"
                          "    klic      VARCHAR(40) NOT NULL,\n"
                          "    zapis     BIGINT NOT NULL DEFAULT 0,\n"
                          "    hodnota   BIGINT NULL,\n"
                          "    drzitel   VARCHAR(100) NULL,\n"
                          "    plati_do  DATETIME NULL,\n"
                          "    PRIMARY KEY (klic),\n"
                          "    KEY ledrana_zamky_drzitel (drzitel)\n"
                          ") ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_czech_ci");
}

QString newHolderId()
{
    const QString host = QSysInfo::machineHostName().left(50);
    return QStringLiteral("%1/%2/%3")
        .arg(host)
        .arg(QCoreApplication::applicationPid())
        .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
}

void runShared(db::Connection& connection, const std::function<void()>& body)
{
    auto run = [&] {
        connection.execute(QStringLiteral("set session transaction isolation level read committed"));
        // Generous attempts: on a cluster every concurrent allocation conflicts here.
        connection.transaction(
            [&] {
                touchSequence(connection, QStringLiteral("poradi"));
                body();
            },
            20);
    };
    try {
        run();
    } catch (const db::Error& e) {
        if (e.code() != kNoSuchTable)
            throw;
        connection.execute(claimsTableDdl());
        run();
    }
}

void touchSequence(db::Connection& connection, const QString& sequence)
{
    connection.execute(QStringLiteral("insert into ledrana_zamky (klic, zapis) values (%1, 1) "
                                      "on duplicate key update zapis = zapis + 1")
                           .arg(db::quote(sequence)));
}

void holdRow(db::Connection& connection, const QString& holder, long long id)
{
    const QString me = db::quote(holder);
    connection.execute(
        QStringLiteral("delete from ledrana_zamky where drzitel = %1 and klic <> %2").arg(me, rowKey(id)));
    connection.execute(QStringLiteral("insert into ledrana_zamky (klic, zapis, hodnota, drzitel, plati_do) "
                                      "values (%1, 1, %2, %3, %4) on duplicate key update zapis = zapis + 1, "
                                      "hodnota = values(hodnota), drzitel = values(drzitel), "
                                      "plati_do = values(plati_do)")
                           .arg(rowKey(id))
                           .arg(id)
                           .arg(me, leaseEnd()));
}

bool heldByOther(db::Connection& connection, const QString& holder, long long id)
{
    return !connection
                .scalar(QStringLiteral("select 1 from ledrana_zamky where klic = %1 and drzitel <> %2 "
                                       "and plati_do > now()")
                            .arg(rowKey(id), db::quote(holder)))
                .isNull();
}

bool renewHold(db::Connection& connection, const QString& holder)
{
    bool held = false;
    runShared(connection, [&] {
        held = connection.executeParams(QStringLiteral("update ledrana_zamky set plati_do = %1, zapis = zapis + 1 "
                                                       "where drzitel = ?")
                                            .arg(leaseEnd()),
                                        {holder}) > 0;
    });
    return held;
}

void releaseHolds(db::Connection& connection, const QString& holder)
{
    runShared(connection, [&] {
        connection.execute(QStringLiteral("delete from ledrana_zamky where drzitel = %1").arg(db::quote(holder)));
    });
}

QVariantList firstRow(db::Connection& connection, const QString& sql)
{
    db::Dataset query(connection);
    query.setSql(sql);
    query.open();
    QVariantList row;
    if (!query.isEmpty()) {
        for (int f = 0; f < query.fieldCount(); ++f)
            row << query.value(f);
    }
    return row;
}

} // namespace entry
