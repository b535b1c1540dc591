// Times Zapsat in the real main window (save, allocation of the next record, the list
// reloaded with the saved record visible, the next record loaded into the panel) against
// one plain open of the list query (the query fetched into the list dataset) in the same
// run, on a register of 100,000 invoices in a database of its own.
#include "app/messagedialog.h"
#include "base/progdir.h"
#include "benchdb.h"
#include "db/connection.h"
#include "db/sqltext.h"
#include "list/listmodel.h"
#include "list/tform3.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Invoices with register numbers 2400001.., half received, half issued, every tenth with a
// document; multi-row inserts of 1,000 rows.
void generate(db::Connection& c, int rows)
{
    const QDate base(2024, 1, 1);
    for (int from = 0; from < rows; from += 1000) {
        QStringList values;
        for (int i = from; i < std::min(rows, from + 1000); ++i) {
            const bool fv = i % 2;
            const QDate d = base.addDays(i % 700);
            values << QStringLiteral("(%1, %2, %3, %4, %5, %6, %7, %8, %9, %10, %11, %12, %13, %14)")
                          .arg(2400001 + i)
                          .arg(db::quote(fv ? QStringLiteral("FV") : QStringLiteral("FP")))
                          .arg(150001 + i / 2)
                          .arg(db::quoteDate(d))
                          .arg(db::quote(QString::number(10000000 + i % 3000)))
                          .arg(db::quote(QStringLiteral("Dodavatel %1 s.r.o.").arg(i % 3000)))
                          .arg(db::quote(QStringLiteral("F%1").arg(i)))
                          .arg(db::quote(QStringLiteral("text %1").arg(i % 50)))
                          .arg(db::number(100.0 + i % 9000 + 0.5))
                          .arg(db::quoteDate(d))
                          .arg(db::quoteDate(d.addDays(14)))
                          .arg(14)
                          .arg(i % 3 ? db::number(100.0 + i % 9000 + 0.5) : QStringLiteral("0"))
                          .arg(db::quote(QStringLiteral("N")));
        }
        c.execute(QStringLiteral("insert into ledrana (por_cis, druh, cislo, datum, ico, nazev, cis_fak, d_text, "
                                 "castka, odeslani, splatnost, dnu, zaplaceno, sesnimana) values ") +
                  values.join(QStringLiteral(",")));
    }
    c.execute(QStringLiteral("insert into dokladya (ico, typ, popis, por_cis) "
                             "select ico, 1, 'Faktura', por_cis from ledrana where por_cis % 10 = 0"));
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({"rows", "Invoices in the register (default 100000).", "n", "100000"});
    parser.addOption({"repeat", "Timed runs of each; the median counts (default 5).", "n", "5"});
    parser.process(app);
    const int rows = parser.value("rows").toInt();
    const int repeat = std::max(1, parser.value("repeat").toInt());

    QTemporaryDir dir;
    db::Settings settings;
    const QString name = QStringLiteral("bench_save_next_%1").arg(QCoreApplication::applicationPid());
    try {
        settings = bench::serverSettings();
        {
            db::Connection server;
            server.setSettings(settings);
            server.open();
            bench::createDatabase(server, name);
        }
        settings.database = name;
        db::Connection c;
        c.setSettings(settings);
        c.open();
        generate(c, rows);
    } catch (const db::Error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }

    QFile ini(dir.filePath(QStringLiteral("ledrana.ini")));
    ini.open(QIODevice::WriteOnly);
    ini.write(QStringLiteral("[LogOn]\nIP=%1\nSqlport=%2\nUser=root\nPassword=\nDatabase=%3\nFTP=\n")
                  .arg(settings.host)
                  .arg(settings.port)
                  .arg(name)
                  .toUtf8());
    ini.close();
    base::setProgramDirForTests(dir.path() + QLatin1Char('/'));
    app::MessageDialog::setAutoAnswer(true, 1);

    int status = 0;
    {
        Tform3 form;
        form.show();
        form.Timer1->stop();
        QApplication::processEvents();
        std::vector<double> listOpen, saveNext;
        QElapsedTimer t;
        const bool ok = [&] {
            try {
                for (int r = 0; r < repeat; ++r) {
                    // Baseline: the list query opened once.
                    form.ZQuery1.close();
                    t.start();
                    form.ZQuery1.open();
                    listOpen.push_back(t.nsecsElapsed() / 1e6);
                    form.listModel->reload();

                    // A new record typed into the panel, then Zapsat.
                    if (r == 0)
                        form.ColorButton13Click();
                    db::Dataset& q = form.ZQuery2;
                    q.setValue(QStringLiteral("druh"), QStringLiteral("FP"));
                    q.setValue(QStringLiteral("cislo"), 900000 + r);
                    q.setValue(QStringLiteral("ico"), QStringLiteral("12345678"));
                    q.setValue(QStringLiteral("nazev"), QStringLiteral("Nový dodavatel"));
                    q.setValue(QStringLiteral("cis_fak"), QStringLiteral("N%1").arg(r));
                    q.setValue(QStringLiteral("castka"), 1500.0 + r);
                    form.showEntry();
                    const long long saved = q.asInt(QStringLiteral("id"));
                    t.start();
                    form.ColorButton3Click();
                    saveNext.push_back(t.nsecsElapsed() / 1e6);

                    // The saved record is in the list, the next one is in the panel.
                    const int row = form.ZQuery1.find(form.ZQuery1.fieldIndex(QStringLiteral("id")), saved);
                    if (row < 0 ||
                        form.ZQuery1.valueAt(row, form.ZQuery1.fieldIndex(QStringLiteral("castka"))).toDouble() !=
                            1500.0 + r ||
                        form.ZQuery2.state() != db::Dataset::State::Edit || form.ZQuery2.asInt("id") == saved) {
                        std::fprintf(stderr, "run %d: the saved record is not listed or no next record\n", r);
                        return false;
                    }
                }
            } catch (const std::exception& e) {
                std::fprintf(stderr, "%s\n", e.what());
                return false;
            }
            return true;
        }();
        for (const auto& s : app::MessageDialog::takeShown())
            std::fprintf(stderr, "dialog: %s\n", s.text.toUtf8().constData());
        if (ok) {
            const double open = median(listOpen), save = median(saveNext);
            std::printf("BENCH list_open_ms_100k %.1f\n", open);
            std::printf("BENCH save_next_ms_100k %.1f\n", save);
            std::printf("BENCH save_next_ratio_100k %.3f\n", save / open);
        } else {
            status = 1;
        }
        form.close();
    }
    try {
        db::Connection server;
        settings.database = QString();
        server.setSettings(settings);
        server.open();
        server.execute(QStringLiteral("DROP DATABASE IF EXISTS `%1`").arg(name));
    } catch (const db::Error&) {
    }
    return status;
}
