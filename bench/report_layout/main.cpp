// The list print of 100,000 in-memory invoices with the built-in list design: time to the first
// preview page (prepare + paint page 1), time to export the whole PDF, and peak memory.
#include "printing/list_design.h"
#include "report/report.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <cstdio>
#include <sys/resource.h>

namespace {

double peakRssMb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024.0;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Czech, QLocale::CzechRepublic));
    const int rows = argc > 1 ? QString::fromLatin1(argv[1]).toInt() : 100000;

    report::TableDataSource data({"ID", "POR_CIS", "DRUH", "CISLO", "DATUM", "ICO", "NAZEV", "CIS_FAK", "D_TEXT",
                                  "CASTKA", "ODESLANI", "SPLATNOST", "ZAPLACENO", "ZAPL", "typ"});
    data.reserve(rows);
    const QString kinds[] = {QStringLiteral("FP"), QStringLiteral("FV")};
    for (int i = 0; i < rows; ++i) {
        const QDate d = QDate(2020, 1, 1).addDays(i % 1500);
        data.addRow({i + 1, i + 1, kinds[i % 2], i / 2 + 1, d, QStringLiteral("%1").arg(10000000 + i % 5000),
                     QStringLiteral("Dodavatel číslo %1 s.r.o.").arg(i % 5000), QStringLiteral("FA%1").arg(i),
                     QStringLiteral("služby"), 1000.0 + (i % 977) * 13.5, d, d.addDays(14), (i % 3) ? 0.0 : 1000.0,
                     QStringLiteral("N"), QString()});
    }

    report::Report r;
    printing::buildListDesign(r.design());
    r.setVariable(QStringLiteral("firma"), report::Report::quoted(QStringLiteral("Naše firma s.r.o.")));
    r.bindDataSource(QStringLiteral("frxDBDataset1"), &data);

    QElapsedTimer t;
    t.start();
    r.prepare();
    const double prepared = t.nsecsElapsed() / 1e9;
    QImage page = r.renderPage(0, 96);
    const double firstPage = t.nsecsElapsed() / 1e9;

    if (argc > 2 && QByteArray(argv[2]) == "nopdf") {
        std::printf("BENCH list_print_first_page_s_100k %.3f\n", firstPage);
        return 0;
    }
    QTemporaryDir dir;
    const QString pdf = dir.path() + QStringLiteral("/list.pdf");
    t.restart();
    r.exportPdf(pdf);
    const double exported = t.nsecsElapsed() / 1e9;

    std::printf("BENCH list_print_pages_100k %d\n", r.pageCount());
    std::printf("BENCH list_print_prepare_s_100k %.3f\n", prepared);
    std::printf("BENCH list_print_first_page_s_100k %.3f\n", firstPage);
    std::printf("BENCH list_print_pdf_s_100k %.3f\n", exported);
    std::printf("BENCH list_print_pdf_mb_100k %.1f\n", QFileInfo(pdf).size() / 1048576.0);
    std::printf("BENCH list_print_peak_rss_mb_100k %.1f\n", peakRssMb());
    return page.isNull() ? 1 : 0;
}
