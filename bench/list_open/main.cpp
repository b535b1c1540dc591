// Opening the invoice list into the grid's model, against the client library's own
// mysql_store_result of the same statement text: time and memory, at 100,000 and 1,000,000
// invoices (a third of them with one or two small documents).
#include "db/dataset.h"
#include "db/listquery.h"
#include "list/listmodel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTableView>

#include <malloc.h>
#include <mysql.h>

#include <cstdio>

namespace {

size_t heapInUse()
{
    malloc_trim(0);
    return mallinfo2().uordblks + mallinfo2().hblkhd;
}

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

void createRegister(db::Connection& c, const QString& name, int invoices)
{
    c.execute(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(name));
    c.execute(QStringLiteral("CREATE DATABASE %1 CHARACTER SET utf8mb4 COLLATE utf8mb4_czech_ci").arg(name));
    c.execute(QStringLiteral("USE %1").arg(name));
    QFile schema(QStringLiteral(LEDRANA_SOURCE_DIR "/sql/schema.sql"));
    schema.open(QIODevice::ReadOnly);
    QString statement;
    for (const QString& line : QString::fromUtf8(schema.readAll()).split(QLatin1Char('\n'))) {
        if (line.trimmed().startsWith(QLatin1String("--")))
            continue;
        statement += line + QLatin1Char('\n');
        if (line.trimmed().endsWith(QLatin1Char(';'))) {
            c.execute(statement.trimmed().chopped(1));
            statement.clear();
        }
    }
    // Generated on the server from a number sequence: realistic widths, Czech names.
    c.execute(QStringLiteral(
                  "INSERT INTO ledrana (por_cis, druh, cislo, datum, ico, nazev, cis_fak, d_text, castka, odeslani, "
                  "splatnost, dnu, zaplaceno, sesnimana) "
                  "SELECT 2400000 + seq, IF(seq %% 3 = 0, 'FV', 'FP'), 150000 + seq, "
                  "DATE_ADD('2020-01-01', INTERVAL seq %% 2000 DAY), LPAD(seq %% 5000 * 7919 %% 100000000, 8, '0'), "
                  "CONCAT(ELT(1 + seq %% 6, 'Stavby ', 'Účetní kancelář ', 'Řeznictví ', 'Elektro ', "
                  "'Žluťoučký kůň ', 'Autodoprava '), seq %% 5000, ' s.r.o.'), CONCAT('2024', LPAD(seq, 7, '0')), "
                  "ELT(1 + seq %% 5, 'Nájemné', 'Elektřina', 'Oprava střechy', 'Poštovné', 'Servis'), "
                  "(seq * 37) %% 250000 + 0.5, DATE_ADD('2020-01-01', INTERVAL seq %% 2000 DAY), "
                  "DATE_ADD('2020-01-15', INTERVAL seq %% 2000 DAY), 14, IF(seq %% 4 = 0, 0, (seq * 37) %% 250000 + 0.5), "
                  "'A' FROM seq_1_to_%1")
                  .arg(invoices));
    c.execute(QStringLiteral("INSERT INTO dokladya (ico, typ, popis, cislodokladu, por_cis, objednavka, obsah) "
                             "SELECT '12345678', 1, 'Faktura', 'x', 2400000 + seq, '', REPEAT('%PDF', 64) "
                             "FROM seq_1_to_%1 WHERE seq %% 3 = 1")
                  .arg(invoices));
    c.execute(QStringLiteral("INSERT INTO dokladya (ico, typ, popis, cislodokladu, por_cis, objednavka, obsah) "
                             "SELECT '12345678', 2, 'Příloha faktury', '', 2400000 + seq, '', REPEAT('%PDF', 32) "
                             "FROM seq_1_to_%1 WHERE seq %% 6 = 1")
                  .arg(invoices));
    c.execute(QStringLiteral("ANALYZE TABLE ledrana, dokladya"));
}

struct Measure
{
    double seconds = 1e99;
    size_t bytes = 0;
};

Measure rawStoreResult(db::Connection& c, const QByteArray& sql)
{
    Measure m;
    for (int round = 0; round < 3; ++round) {
        const size_t before = heapInUse();
        QElapsedTimer t;
        t.start();
        MYSQL* my = c.handle();
        mysql_real_query(my, sql.constData(), sql.size());
        MYSQL_RES* res = mysql_store_result(my);
        const double s = t.nsecsElapsed() / 1e9;
        const size_t after = heapInUse();
        if (!res) {
            std::fprintf(stderr, "store_result failed: %s\n", mysql_error(my));
            std::exit(1);
        }
        m.seconds = std::min(m.seconds, s);
        m.bytes = after - before;
        mysql_free_result(res);
    }
    return m;
}

Measure openList(db::Connection& c, QTableView& view)
{
    Measure m;
    for (int round = 0; round < 3; ++round) {
        auto* list = new db::Dataset(c);
        auto* model = new list::ListModel(*list);
        model->setColumns(app::builtInColumns());
        const size_t before = heapInUse();
        QElapsedTimer t;
        t.start();
        list->sql() = db::listQueryLines();
        list->open();
        model->reload();
        view.setModel(model);
        const double s = t.nsecsElapsed() / 1e9;
        const size_t after = heapInUse();
        m.seconds = std::min(m.seconds, s);
        m.bytes = after - before;
        view.setModel(nullptr);
        delete model;
        delete list;
    }
    return m;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    db::Connection c;
    c.setSettings(serverSettings());
    c.open();
    QTableView view;
    view.resize(900, 500);
    for (auto [count, label] : {std::pair{100000, "100k"}, std::pair{1000000, "1m"}}) {
        createRegister(c, QStringLiteral("bench_list_open"), count);
        const QByteArray sql = c.encode(db::listQueryLines().join(QLatin1Char('\n')));
        const Measure raw = rawStoreResult(c, sql);
        const Measure ours = openList(c, view);
        std::printf("list open %s: raw %.3f s %.1f MB, list %.3f s %.1f MB\n", label, raw.seconds, raw.bytes / 1e6,
                    ours.seconds, ours.bytes / 1e6);
        std::printf("BENCH list_open_time_ratio_%s %.3f\n", label, ours.seconds / raw.seconds);
        std::printf("BENCH list_memory_ratio_%s %.3f\n", label, double(ours.bytes) / double(raw.bytes));
        std::fflush(stdout);
    }
    c.execute(QStringLiteral("DROP DATABASE IF EXISTS bench_list_open"));
    return 0;
}
