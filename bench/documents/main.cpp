// Storing and viewing a 20 MB document, against the mariadb command-line client inserting and
// selecting the same bytes in the same run.
//
//   bench_documents [megabytes] [rounds]
//
// Ours: the document store (the file read, `_doklad`, the replacing transaction) and the view
// (the select and the viewing copy written to disk) on the program's connection, which uses the
// compressed protocol as every workstation does. The client: one insert of the bytes as an
// escaped binary literal and one select written raw to a file, over TCP, with --compress (the
// same protocol: doc_store_ratio_20mb, doc_view_ratio_20mb) and without it (the ..._vs_plain_client
// figures). Best of the rounds (5) each. Prints BENCH lines with the ratios ours / client (goal
// ≤ 1.3) and the times behind them.
#include "benchdb.h"
#include "db/connection.h"
#include "db/dataset.h"
#include "documents/docstore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

struct Server
{
    QString dir;
    int port = 0;
};

Server benchServer()
{
    Server s;
    s.dir = qEnvironmentVariable("LEDRANA_BENCH_DB_DIR");
    QFile port(s.dir + QStringLiteral("/port"));
    if (s.dir.isEmpty() || !port.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "LEDRANA_BENCH_DB_DIR must name a running db-server directory\n");
        std::exit(2);
    }
    s.port = QString::fromLatin1(port.readAll()).trimmed().toInt();
    return s;
}

// Document-like bytes: what scanned pages are made of once compressed, i.e. no redundancy.
QByteArray documentBytes(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator random(20);
    random.fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    bytes.replace(0, 9, "%PDF-1.4\n");
    return bytes;
}

// The bytes as a binary string literal the client sends as it is.
QByteArray escapedLiteral(const QByteArray& bytes)
{
    QByteArray out;
    out.reserve(bytes.size() + bytes.size() / 32 + 16);
    out += "_binary'";
    for (char ch : bytes) {
        switch (ch) {
        case '\0':
            out += "\\0";
            break;
        case '\'':
            out += "\\'";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\x1a':
            out += "\\Z";
            break;
        default:
            out += ch;
        }
    }
    out += '\'';
    return out;
}

double seconds(const std::function<void()>& work)
{
    QElapsedTimer clock;
    clock.start();
    work();
    return clock.nsecsElapsed() / 1e9;
}

// The mariadb client over TCP; stdin from a file, stdout to a file when given.
void client(const Server& server, const QString& database, const QStringList& args, const QString& input,
            const QString& output)
{
    QProcess p;
    if (!input.isEmpty())
        p.setStandardInputFile(input);
    if (!output.isEmpty())
        p.setStandardOutputFile(output);
    p.start(QStringLiteral("mariadb"),
            QStringList{QStringLiteral("--no-defaults"), QStringLiteral("--protocol=tcp"),
                        QStringLiteral("-h127.0.0.1"), QStringLiteral("-P%1").arg(server.port),
                        QStringLiteral("-uroot"), QStringLiteral("--max-allowed-packet=1G"), database} +
                args);
    if (!p.waitForStarted() || !p.waitForFinished(600000) || p.exitCode() != 0) {
        std::fprintf(stderr, "mariadb client failed: %s\n", p.readAllStandardError().constData());
        std::exit(1);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int megabytes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const Server server = benchServer();
    const QString database = QStringLiteral("bench_documents");

    db::Settings settings;
    settings.host = QStringLiteral("127.0.0.1");
    settings.port = server.port;
    settings.user = QStringLiteral("root");
    settings.password = QString();
    settings.database = QString();
    {
        db::Connection admin;
        admin.setSettings(settings);
        admin.open();
        bench::createDatabase(admin, database);
    }
    settings.database = database;

    QTemporaryDir tmp;
    const QByteArray content = documentBytes(qsizetype(megabytes) * 1000 * 1000);
    const QString documentFile = tmp.filePath(QStringLiteral("1.pdf"));
    QString viewFile;
    {
        QFile f(documentFile);
        f.open(QIODevice::WriteOnly);
        f.write(content);
    }
    const QString insertSql = tmp.filePath(QStringLiteral("insert.sql"));
    {
        QFile f(insertSql);
        f.open(QIODevice::WriteOnly);
        f.write("delete from dokladya where typ = 1 and ico = '12345678' and por_cis = 2600002;\n"
                "insert into dokladya (id, ico, typ, popis, cislodokladu, por_cis, obsah) values "
                "(0, '12345678', 1, 'Faktura', 'FA1', 2600002, ");
        f.write(escapedLiteral(content));
        f.write(");\n");
    }
    const QString clientOut = tmp.filePath(QStringLiteral("client.out"));

    db::Connection connection;
    connection.setSettings(settings);
    connection.open();
    db::Dataset work(connection);
    const documents::Invoice invoice{QStringLiteral("12345678"), QStringLiteral("2600001"), QStringLiteral("FA1")};

    // The program's connection uses the compressed protocol, so the client is measured both with
    // the same protocol (--compress) and without it.
    const QStringList compress{QStringLiteral("--compress")};
    const QStringList plain;
    const QStringList select{QStringLiteral("-N"), QStringLiteral("-B"), QStringLiteral("-r"), QStringLiteral("-e"),
                             QStringLiteral("select obsah from dokladya where typ = 1 and por_cis = 2600002")};
    const std::function<void()> stores[] = {
        [&] {
            documents::storeDocument(work, invoice, {1, QStringLiteral("Faktura"), invoice.cisFak, std::nullopt},
                                     documentFile);
        },
        [&] { client(server, database, compress + QStringList{QStringLiteral("--binary-mode")}, insertSql, {}); },
        [&] { client(server, database, plain + QStringList{QStringLiteral("--binary-mode")}, insertSql, {}); },
    };
    const std::function<void()> views[] = {
        [&] { viewFile = documents::writeStoredDocument(work, invoice, 1, tmp.filePath(QStringLiteral("__pr"))); },
        [&] { client(server, database, compress + select, {}, clientOut); },
        [&] { client(server, database, plain + select, {}, clientOut); },
    };
    // Best of the rounds. The server writes and purges a replaced row for a while after the
    // statement has returned, so every measurement starts on a settled server, and the order of
    // the ways turns round by round so that none always finds the server the most settled.
    const auto best = [&](const std::function<void()>(&ways)[3], double(&times)[3]) {
        std::fill(std::begin(times), std::end(times), 1e9);
        for (int round = 0; round < rounds; ++round)
            for (int i = 0; i < 3; ++i) {
                const int way = (round + i) % 3;
                QThread::msleep(500);
                times[way] = std::min(times[way], seconds(ways[way]));
            }
    };
    double store[3], view[3];
    best(stores, store);
    best(views, view);

    // Both ways must have moved the same bytes.
    QFile viewed(viewFile), selected(clientOut);
    viewed.open(QIODevice::ReadOnly);
    selected.open(QIODevice::ReadOnly);
    if (viewed.readAll() != content || selected.readAll().chopped(1) != content) {
        std::fprintf(stderr, "the bytes did not come back intact\n");
        return 1;
    }
    connection.execute(QStringLiteral("DROP DATABASE %1").arg(database));

    const auto print = [&](const char* name, double value) {
        std::printf("BENCH %s_%dmb %.3f\n", name, megabytes, value);
    };
    print("doc_store_s", store[0]);
    print("doc_store_client_compressed_s", store[1]);
    print("doc_store_client_plain_s", store[2]);
    print("doc_view_s", view[0]);
    print("doc_view_client_compressed_s", view[1]);
    print("doc_view_client_plain_s", view[2]);
    print("doc_store_ratio_vs_plain_client", store[0] / store[2]);
    print("doc_view_ratio_vs_plain_client", view[0] / view[2]);
    // Against the client speaking the same protocol as the program.
    print("doc_store_ratio", store[0] / store[1]);
    print("doc_view_ratio", view[0] / view[1]);
    return 0;
}
