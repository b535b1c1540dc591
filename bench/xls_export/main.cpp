// Times the workbook writer on an invoice-like table against python3-xlwt writing the same
// cells: the Python script generates the table, times xlwt and hands the cells over as
// typed tab-separated lines, which are loaded before our timing starts.
#include "xls/workbookwriter.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>
#include <limits>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({"rows", "Data rows (default 65000).", "n", "65000"});
    parser.addOption({"repeat", "Runs of each writer; the best counts (default 3).", "n", "3"});
    parser.process(app);
    const int rows = parser.value("rows").toInt();
    const int repeat = std::max(1, parser.value("repeat").toInt());

    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot create a temporary directory\n");
        return 1;
    }
    const QString data = dir.filePath("table.tsv");

    QProcess python;
    python.start("/usr/bin/python3", {XLWT_BASELINE_SCRIPT, "--rows", QString::number(rows), "--data", data, "--out",
                                      dir.filePath("xlwt.xls"), "--repeat", QString::number(repeat)});
    if (!python.waitForFinished(-1) || python.exitCode() != 0) {
        std::fprintf(stderr, "the xlwt baseline failed:\n%s\n", python.readAllStandardError().constData());
        return 1;
    }
    QStringList titles;
    double xlwtSeconds = 0;
    for (const QString& line : QString::fromUtf8(python.readAllStandardOutput()).split('\n')) {
        if (line.startsWith("titles\t"))
            titles = line.split('\t').mid(1);
        else if (line.startsWith("xlwt_seconds "))
            xlwtSeconds = line.section(' ', 1).toDouble();
    }

    std::vector<std::vector<xls::Cell>> table;
    table.reserve(rows);
    QFile file(data);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(data));
        return 1;
    }
    QTextStream in(&file);
    in.setEncoding(QStringConverter::Utf8);
    QString line;
    while (in.readLineInto(&line)) {
        std::vector<xls::Cell> row;
        for (const QString& field : line.split('\t')) {
            const QString value = field.mid(1);
            switch (field.at(0).unicode()) {
            case 'n':
                row.push_back(xls::Cell::number(value.toDouble()));
                break;
            case 'd':
                row.push_back(xls::Cell::date(QDate::fromString(value, Qt::ISODate)));
                break;
            case 't':
                row.push_back(xls::Cell::text(value));
                break;
            default:
                row.push_back(xls::Cell::empty());
            }
        }
        table.push_back(std::move(row));
    }

    const QString ours = dir.filePath("ours.xls");
    double best = std::numeric_limits<double>::max();
    for (int run = 0; run < repeat; ++run) {
        QElapsedTimer timer;
        timer.start();
        xls::WorkbookWriter writer(titles);
        for (const auto& row : table)
            writer.addRow(row);
        QString error;
        if (!writer.save(ours, &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        best = std::min(best, timer.nsecsElapsed() / 1e9);
    }
    const qint64 bytes = QFileInfo(ours).size();
    const double megabytes = bytes / 1e6;

    // The least work for the same result: the same number of bytes written to a file.
    const QByteArray raw(bytes, 'x');
    double rawBest = std::numeric_limits<double>::max();
    for (int run = 0; run < repeat; ++run) {
        QElapsedTimer timer;
        timer.start();
        QFile out(dir.filePath("raw.bin"));
        if (!out.open(QIODevice::WriteOnly) || out.write(raw) != bytes) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(out.fileName()));
            return 1;
        }
        out.close();
        rawBest = std::min(rawBest, timer.nsecsElapsed() / 1e9);
    }

    std::printf("BENCH xls_ms %.1f\n", best * 1000);
    std::printf("BENCH xls_xlwt_ms %.1f\n", xlwtSeconds * 1000);
    std::printf("BENCH xls_file_mb %.2f\n", megabytes);
    std::printf("BENCH xls_speedup_vs_xlwt %.1f\n", xlwtSeconds / best);
    std::printf("BENCH xls_mb_per_s %.1f\n", megabytes / best);
    std::printf("BENCH xls_raw_write_ratio %.1f\n", best / rawBest);
    return 0;
}
