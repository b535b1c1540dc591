// Opening the invoice list into the grid's model, against the client library's own
// mysql_store_result of the same statement text: time and memory, at 100,000 and 1,000,000
// invoices (a third of them with one or two small documents).
#include "benchdb.h"
#include "db/dataset.h"
#include "db/listquery.h"
#include "list/listmodel.h"

#include <QApplication>
#include <QElapsedTimer>
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

struct Measure
{
    double seconds = 1e99;
    size_t bytes = 0;
};

// One round each; the caller alternates them so that a change of load hits both alike.
void rawStoreResult(db::Connection& c, const QByteArray& sql, Measure& m)
{
    {
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
}

void openList(db::Connection& c, QTableView& view, Measure& m)
{
    {
        auto* list = new db::Dataset(c);
        auto* model = new list::ListModel(*list);
        model->setColumns(app::builtInColumns());
        const size_t before = heapInUse();
        QElapsedTimer t;
        t.start();
        list->sql() = db::listQueryLines();
        list->open();
        model->reload();
        const double s = t.nsecsElapsed() / 1e9;
        const size_t after = heapInUse();
        view.setModel(model); // scrolling the grid over it must work
        view.scrollToBottom();
        m.seconds = std::min(m.seconds, s);
        m.bytes = after - before;
        view.setModel(nullptr);
        delete model;
        delete list;
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    db::Connection c;
    c.setSettings(bench::serverSettings());
    c.open();
    QTableView view;
    view.resize(900, 500);
    for (auto [count, label] : {std::pair{100000, "100k"}, std::pair{1000000, "1m"}}) {
        bench::createRegister(c, QStringLiteral("bench_list_open"), count);
        const QByteArray sql = c.encode(db::listQueryLines().join(QLatin1Char('\n')));
        Measure raw, ours;
        for (int round = 0; round < 4; ++round) {
            rawStoreResult(c, sql, raw);
            openList(c, view, ours);
        }
        std::printf("list open %s: raw %.3f s %.1f MB, list %.3f s %.1f MB\n", label, raw.seconds, raw.bytes / 1e6,
                    ours.seconds, ours.bytes / 1e6);
        std::printf("BENCH list_open_time_ratio_%s %.3f\n", label, ours.seconds / raw.seconds);
        std::printf("BENCH list_memory_ratio_%s %.3f\n", label, double(ours.bytes) / double(raw.bytes));
        std::fflush(stdout);
    }
    c.execute(QStringLiteral("DROP DATABASE IF EXISTS bench_list_open"));
    return 0;
}
