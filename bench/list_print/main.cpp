// The list print of 100,000 invoices (about 2,000 pages): the time to the first preview page
// and to the whole PDF, against opening the list in the same run.
#include "benchdb.h"
#include "db/dataset.h"
#include "db/listquery.h"
#include "printing/datasetsource.h"
#include "printing/printtable.h"
#include "report/report.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>

#include <sys/resource.h>

#include <cstdio>

namespace {

long peakKb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
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
    bench::createRegister(c, QStringLiteral("bench_list_print"), 100000);

    double open = 1e99;
    for (int round = 0; round < 3; ++round) {
        db::Dataset list(c);
        list.sql() = db::listQueryLines();
        QElapsedTimer t;
        t.start();
        list.open();
        open = std::min(open, t.nsecsElapsed() / 1e9);
    }

    const long before = peakKb();
    QElapsedTimer t;
    t.start();
    printing::buildPrintTable(c, db::listQueryLines(), QStringLiteral("A"));
    db::Dataset print(c);
    print.sql() = QStringList{QStringLiteral("select * from _protisk where castka <> 0"),
                              QStringLiteral("order by ico, por_cis")};
    print.open();
    report::Report report;
    report.loadFromFile(QStringLiteral(LEDRANA_SOURCE_DIR "/templates/seznam.fr3"));
    report.setVariable(QStringLiteral("firma"), report::Report::quoted(QStringLiteral("Benchmark s.r.o.")));
    const printing::DatasetSource source(print);
    report.bindDataSource(QStringLiteral("frxDBDataset1"), &source);
    report.prepare();
    const QImage first = report.renderPage(0, 96);
    const double firstPage = t.nsecsElapsed() / 1e9;
    const QString pdf = QDir::temp().filePath(QStringLiteral("ledrana-bench-list.pdf"));
    report.exportPdf(pdf);
    const double whole = t.nsecsElapsed() / 1e9;
    std::printf("list print 100k: %d pages, list open %.3f s, first page %.3f s, PDF %.3f s, peak +%ld MB\n",
                report.pageCount(), open, firstPage, whole, (peakKb() - before) / 1024);
    std::printf("BENCH list_print_first_page_s_100k %.3f\n", firstPage);
    std::printf("BENCH list_print_pdf_ratio_100k %.3f\n", whole / open);
    QFile::remove(pdf);
    c.execute(QStringLiteral("DROP DATABASE IF EXISTS bench_list_print"));
    return first.isNull() ? 1 : 0;
}
