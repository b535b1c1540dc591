// Page join per page: our in-process join against the qpdf command line and pdftk, each growing
// one document page by page from the same one-page PDFs, as scanning does.
//
//   bench_pdf_join [pages] [rounds]
//
// Prints BENCH lines: the milliseconds per joined page of each way and the speed-ups
// (other time / our time). pdftk is skipped with a note when it is not installed.
#include "pdf/imagepdf.h"
#include "pdf/join.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

// A page that looks like a scanned invoice: A4 at 150 dpi, gray, lines of text and a little noise.
QImage scannedPage(int number)
{
    QImage image(1240, 1754, QImage::Format_Grayscale8);
    image.fill(250);
    QPainter painter(&image);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(22);
    painter.setFont(font);
    QRandomGenerator random(number);
    for (int line = 0; line < 60; ++line) {
        QString text = QStringLiteral("Faktura %1  řádek %2  ").arg(number).arg(line);
        for (int word = 0; word < 8; ++word)
            text += QString::number(random.bounded(100000)) + QLatin1Char(' ');
        painter.drawText(120, 120 + line * 26, text);
    }
    painter.end();
    for (int i = 0; i < 3000; ++i)
        image.setPixel(random.bounded(image.width()), random.bounded(image.height()), random.bounded(256) | 0xff000000);
    return image;
}

bool runTool(const QString& program, const QStringList& args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForStarted() || !p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit ||
        p.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program), p.readAll().constData());
        return false;
    }
    return true;
}

// Replaces target with the freshly joined file, as the scanning flow moves the tool's output.
bool replace(const QString& joined, const QString& target)
{
    QFile::remove(target);
    return QFile::rename(joined, target);
}

int pageCount(const QString& path)
{
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {path});
    p.waitForFinished();
    for (const QByteArray& line : p.readAllStandardOutput().split('\n'))
        if (line.startsWith("Pages:"))
            return line.mid(6).trimmed().toInt();
    return -1;
}

using JoinStep = std::function<bool(const QString& doc, const QString& page, const QString& dir)>;

// Grows a document from pages[0] by joining pages[1..] one at a time; returns the milliseconds
// spent in the joins, or a negative value on failure.
double growDocument(const JoinStep& join, const QStringList& pages, const QString& dir)
{
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    const QString doc = dir + QStringLiteral("/1.pdf");
    QFile::copy(pages.front(), doc);
    qint64 nanoseconds = 0;
    for (int i = 1; i < pages.size(); ++i) {
        const QString page = dir + QStringLiteral("/_str.pdf");
        QFile::remove(page);
        QFile::copy(pages[i], page);
        QElapsedTimer clock;
        clock.start();
        if (!join(doc, page, dir))
            return -1;
        nanoseconds += clock.nsecsElapsed();
    }
    if (pageCount(doc) != pages.size()) {
        std::fprintf(stderr, "joined document in %s has %d pages, expected %d\n", qPrintable(dir), pageCount(doc),
                     int(pages.size()));
        return -1;
    }
    return nanoseconds / 1e6;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int pageTotal = argc > 1 ? std::max(2, std::atoi(argv[1])) : 12;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;

    QTemporaryDir work;
    if (!work.isValid())
        return 1;
    QStringList pages;
    qint64 bytes = 0;
    for (int i = 1; i <= pageTotal; ++i) {
        const QString path = work.filePath(QStringLiteral("page%1.pdf").arg(i));
        QString error;
        if (!pdf::imageToA4Pdf(scannedPage(i), path, &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        bytes += QFileInfo(path).size();
        pages << path;
    }
    std::printf("# %d one-page PDFs of %lld KB on average, %d joins per document, median of %d rounds\n", pageTotal,
                bytes / pageTotal / 1024, pageTotal - 1, rounds);

    const JoinStep ours = [](const QString& doc, const QString& page, const QString&) {
        QString error;
        if (!pdf::appendPages(doc, page, &error))
            std::fprintf(stderr, "join failed: %s\n", qPrintable(error));
        return error.isEmpty();
    };
    const JoinStep qpdfCli = [](const QString& doc, const QString& page, const QString& dir) {
        const QString out = dir + QStringLiteral("/_oba.pdf");
        return runTool(QStringLiteral("qpdf"),
                       {QStringLiteral("--empty"), QStringLiteral("--pages"), doc, page, QStringLiteral("--"), out}) &&
               replace(out, doc) && QFile::remove(page);
    };
    const JoinStep pdftk = [](const QString& doc, const QString& page, const QString& dir) {
        const QString out = dir + QStringLiteral("/_oba.pdf");
        return runTool(QStringLiteral("pdftk"), {doc, page, QStringLiteral("cat"), QStringLiteral("output"), out}) &&
               replace(out, doc) && QFile::remove(page);
    };
    const bool havePdftk = !QStandardPaths::findExecutable(QStringLiteral("pdftk")).isEmpty();

    std::vector<double> oursMs, qpdfMs, pdftkMs;
    for (int r = 0; r < rounds; ++r) {
        oursMs.push_back(growDocument(ours, pages, work.filePath(QStringLiteral("ours"))));
        qpdfMs.push_back(growDocument(qpdfCli, pages, work.filePath(QStringLiteral("qpdf"))));
        if (havePdftk)
            pdftkMs.push_back(growDocument(pdftk, pages, work.filePath(QStringLiteral("pdftk"))));
        if (oursMs.back() < 0 || qpdfMs.back() < 0 || (havePdftk && pdftkMs.back() < 0))
            return 1;
    }

    const double joins = pageTotal - 1;
    const double perOurs = median(oursMs) / joins;
    const double perQpdf = median(qpdfMs) / joins;
    std::printf("BENCH join_ms_per_page_ours %.2f\n", perOurs);
    std::printf("BENCH join_ms_per_page_qpdf_cli %.2f\n", perQpdf);
    if (havePdftk)
        std::printf("BENCH join_ms_per_page_pdftk %.2f\n", median(pdftkMs) / joins);
    std::printf("BENCH join_speedup_vs_qpdf_cli %.2f\n", perQpdf / perOurs);
    if (havePdftk)
        std::printf("BENCH join_speedup_vs_pdftk %.2f\n", median(pdftkMs) / joins / perOurs);
    else
        std::printf("# pdftk is not installed: join_speedup_vs_pdftk skipped\n");
    return 0;
}
