#include "benchdb.h"

#include <QFile>
#include <QStringList>

#include <cstdio>
#include <cstdlib>

namespace bench {

db::Settings serverSettings()
{
    const QString dir = qEnvironmentVariable("LEDRANA_BENCH_DB_DIR");
    QFile port(dir + QStringLiteral("/port"));
    if (dir.isEmpty() || !port.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "LEDRANA_BENCH_DB_DIR must name a running db-server directory\n");
        std::exit(2);
    }
    db::Settings s;
    s.host = QStringLiteral("127.0.0.1");
    s.port = QString::fromLatin1(port.readAll()).trimmed().toInt();
    s.user = QStringLiteral("root");
    s.password = QString();
    s.database = QString();
    return s;
}

void createDatabase(db::Connection& c, const QString& name)
{
    c.execute(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(name));
    c.execute(QStringLiteral("CREATE DATABASE %1 CHARACTER SET utf8mb4 COLLATE utf8mb4_czech_ci").arg(name));
    c.execute(QStringLiteral("USE %1").arg(name));
    QFile schema(QStringLiteral(LEDRANA_SOURCE_DIR "/sql/schema.sql"));
    if (!schema.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "sql/schema.sql not found\n");
        std::exit(2);
    }
    c.executeScript(QString::fromUtf8(schema.readAll()));
}

void createRegister(db::Connection& c, const QString& name, int invoices)
{
    createDatabase(c, name);
    // Generated on the server from a number sequence: realistic widths, Czech names.
    c.execute(QStringLiteral(
                  "INSERT INTO ledrana (por_cis, druh, cislo, datum, ico, nazev, cis_fak, d_text, castka, odeslani, "
                  "splatnost, dnu, zaplaceno, sesnimana) "
                  "SELECT 2400000 + seq, IF(seq % 3 = 0, 'FV', 'FP'), 150000 + seq, "
                  "DATE_ADD('2020-01-01', INTERVAL seq % 2000 DAY), LPAD(seq % 5000 * 7919 % 100000000, 8, '0'), "
                  "CONCAT(ELT(1 + seq % 6, 'Stavby ', 'Účetní kancelář ', 'Řeznictví ', 'Elektro ', "
                  "'Žluťoučký kůň ', 'Autodoprava '), seq % 5000, ' s.r.o.'), CONCAT('2024', LPAD(seq, 7, '0')), "
                  "ELT(1 + seq % 5, 'Nájemné', 'Elektřina', 'Oprava střechy', 'Poštovné', 'Servis'), "
                  "(seq * 37) % 250000 + 0.5, DATE_ADD('2020-01-01', INTERVAL seq % 2000 DAY), "
                  "DATE_ADD('2020-01-15', INTERVAL seq % 2000 DAY), 14, IF(seq % 4 = 0, 0, (seq * 37) % 250000 + 0.5), "
                  "'A' FROM seq_1_to_%1")
                  .arg(invoices));
    c.execute(QStringLiteral("INSERT INTO dokladya (ico, typ, popis, cislodokladu, por_cis, objednavka, obsah) "
                             "SELECT '12345678', 1, 'Faktura', 'x', 2400000 + seq, '', REPEAT('%PDF', 64) "
                             "FROM seq_1_to_%1 WHERE seq % 3 = 1")
                  .arg(invoices));
    c.execute(QStringLiteral("INSERT INTO dokladya (ico, typ, popis, cislodokladu, por_cis, objednavka, obsah) "
                             "SELECT '12345678', 2, 'Příloha faktury', '', 2400000 + seq, '', REPEAT('%PDF', 32) "
                             "FROM seq_1_to_%1 WHERE seq % 6 = 1")
                  .arg(invoices));
    c.execute(QStringLiteral("ANALYZE TABLE ledrana, dokladya"));
}

} // namespace bench
