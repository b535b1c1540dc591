// Cover sheets and the list print from the main window, read back from the PDFs they make.
#include "app/guard.h"
#include "app/messagedialog.h"
#include "base/progdir.h"
#include "db/sqltext.h"
#include "list/gridview.h"
#include "list/listmodel.h"
#include "list/tform3.h"
#include "printing/runreport.h"
#include "report/report.h"
#include "testdb.h"
#include "testenv.h"

#include <QApplication>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using app::MessageDialog;

namespace {

struct PrintTest : ::testing::Test
{
    static testenv::TestDb* db;
    static void SetUpTestSuite() { db = new testenv::TestDb(QStringLiteral("print")); }
    static void TearDownTestSuite() { delete db; }

    void start(const QString& company = QStringLiteral("Naše firma s.r.o."))
    {
        dir = testenv::tmpDir() + "/print";
        QDir(dir).removeRecursively();
        QDir().mkpath(dir);
        for (const char* t : {"pruvodka.fr3", "seznam.fr3"})
            QFile::copy(testenv::sourceDir() + "/templates/" + t, dir + "/" + t);
        base::setProgramDirForTests(dir);
        db->writeSettingsFile(dir, QStringLiteral("[Firma]\nNazev=%1\n").arg(company));
        MessageDialog::setAutoAnswer(true, 1);
        MessageDialog::takeShown();
        pages.clear();
        printing::setPreviewHook([this](report::Report& r) {
            const QString pdf = dir + "/out.pdf";
            r.exportPdf(pdf);
            QString text;
            testenv::run("pdftotext", {"-layout", pdf, "-"}, &text);
            pages << text;
        });
        form = std::make_unique<Tform3>();
        form->show();
        QApplication::processEvents();
    }
    void TearDown() override
    {
        printing::setPreviewHook({});
        if (form)
            form->close();
        MessageDialog::setAutoAnswer(false);
    }
    void insert(int id, const char* druh, const char* castka, const char* cisFak, const char* nazev,
                const char* zaplaceno = "0", const char* ico = "12345678")
    {
        db->exec(
            QStringLiteral("insert into ledrana (id, por_cis, druh, cislo, ico, nazev, cis_fak, castka, zaplaceno) "
                           "values (%1, %2, '%3', %1, '%4', %5, '%6', %7, %8)")
                .arg(id)
                .arg(1000 + id)
                .arg(druh, ico, db::quote(QString::fromUtf8(nazev)), cisFak, castka, zaplaceno));
    }
    void mark(const QList<int>& rows)
    {
        for (int r : rows)
            form->RxDBGrid1->selectionModel()->select(form->listModel->index(r, 0),
                                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    QStringList messages()
    {
        QStringList out;
        for (const auto& s : MessageDialog::takeShown())
            out << s.text;
        return out;
    }
    QString dir;
    QStringList pages;
    std::unique_ptr<Tform3> form;
};
testenv::TestDb* PrintTest::db = nullptr;

TEST_F(PrintTest, SingleCoverSheetChecks)
{
    db->clear();
    struct Case
    {
        const char* druh;
        const char* castka;
        const char* message; // nullptr: the sheet is printed
    } cases[] = {{"FP", "0.4", "POZOR - nulová částka v záznamu!"},
                 {"FP", "0.5", "POZOR - nulová částka v záznamu!"},
                 {"FP", "0.6", nullptr},
                 {"FP", "1.5", nullptr},
                 {"FV", "100", "Pouze u přijatých faktur!"},
                 {"fv", "100", nullptr},
                 {"", "100", nullptr}};
    int id = 1;
    for (const Case& c : cases)
        insert(id++, c.druh, c.castka, "F1", "Dodavatel \"Ú\" a syn");
    start();
    for (int i = 0; i < int(std::size(cases)); ++i) {
        form->moveList(i);
        form->ZQuery2.setSql(QStringLiteral("select * from ledrana where id = %1").arg(i + 1));
        form->ZQuery2.open();
        pages.clear();
        form->ColorButton5Click();
        const QStringList shown = messages();
        if (cases[i].message) {
            EXPECT_EQ(shown, QStringList{QString::fromUtf8(cases[i].message)}) << i;
            EXPECT_TRUE(pages.isEmpty());
        } else {
            EXPECT_TRUE(shown.isEmpty()) << i << shown.join('|').toStdString();
            ASSERT_EQ(pages.size(), 1) << i;
            EXPECT_TRUE(pages[0].contains(QStringLiteral("Dodavatel \"Ú\" a syn")));
            EXPECT_TRUE(pages[0].contains(QStringLiteral("Naše firma s.r.o.")));
            EXPECT_TRUE(pages[0].contains(QString::number(1000 + i + 1)));
        }
    }
    // A pending change of the list's row refuses first.
    form->ZQuery1.edit();
    form->ZQuery1.setValue("d_text", QStringLiteral("x"));
    form->ColorButton5Click();
    EXPECT_EQ(messages(), QStringList{"POZOR - neuložené změny záznamu!"});
    form->ZQuery1.cancel();
}

TEST_F(PrintTest, BatchOfCoverSheets)
{
    db->clear();
    insert(1, "FP", "100", "C-300", "Třetí");
    insert(2, "FV", "200", "A-100", "Vydaná");
    insert(3, "FP", "0", "B-200", "Nulová");
    insert(4, "FP", "400", "A-050", "Neoznačená");
    insert(5, "FV", "500", "Z-1", "Vydaná 2");
    start();
    form->clrbutton1Click();
    EXPECT_EQ(messages(), QStringList{"Žádné vybrané záznamy pro tisk průvodky!"});

    mark({1, 4}); // issued invoices only
    form->clrbutton1Click();
    EXPECT_EQ(messages(), QStringList{"Žádný záznam o přijaté faktuře pro tisk průvodky!"});
    EXPECT_TRUE(pages.isEmpty());

    form->RxDBGrid1->clearSelection();
    mark({0, 1, 2});
    form->moveList(3);
    form->clrbutton1Click();
    EXPECT_TRUE(messages().isEmpty());
    ASSERT_EQ(pages.size(), 1);
    // Received invoices only, a sheet each, by invoice number; the zero amount prints too.
    const QString text = pages[0];
    const int b = text.indexOf("B-200"), c = text.indexOf("C-300");
    EXPECT_GE(b, 0);
    EXPECT_GT(c, b);
    EXPECT_FALSE(text.contains("A-100"));
    EXPECT_FALSE(text.contains("Neoznačená"));
    // The list keeps its row and marks.
    EXPECT_EQ(form->ZQuery1.recNo(), 3);
    EXPECT_EQ(form->markedRows(), (QList<int>{0, 1, 2}));
}

TEST_F(PrintTest, ListPrintTotalsOrderingAndZeroAmounts)
{
    db->clear();
    insert(1, "FP", "1000", "F1", "Alfa", "400", "30000000");
    insert(2, "FV", "5000", "F2", "Beta", "5000", "10000000");
    insert(3, "", "300", "F3", "Gama", "0", "20000000");
    insert(4, "FV", "0", "F4", "Nulová", "0", "00000001");
    insert(5, "FP", "0.00", "F5", "Nulová 2", "0", "00000002");
    start(QStringLiteral("O'Brien a syn"));
    form->ZQuery1.setSortKeys("ico, por_cis");
    mark({0, 1}); // marks have no influence
    form->ColorButton15Click();
    EXPECT_TRUE(messages().isEmpty());
    ASSERT_EQ(pages.size(), 1);
    const QString text = pages[0];
    EXPECT_TRUE(text.contains("SEZNAM VYBRANÝCH ZÁZNAMŮ KNIHY FAKTUR"));
    EXPECT_TRUE(text.contains("O'Brien a syn"));
    EXPECT_FALSE(text.contains("Nulová"));
    // Ordered by IČO: Beta (1…), Gama (2…), Alfa (3…).
    EXPECT_LT(text.indexOf("Beta"), text.indexOf("Gama"));
    EXPECT_LT(text.indexOf("Gama"), text.indexOf("Alfa"));
    // Issued = not FP: 5000 + 300; received = not FV: 1000 + 300; saldo 4000.
    // Unpaid: issued 0 + 300, received 600 + 300, saldo -600.
    auto line = [&](const QString& label, int occurrence) {
        int at = -1;
        for (int i = 0; i <= occurrence; ++i)
            at = text.indexOf(label, at + 1);
        return at < 0 ? QString() : text.mid(at, text.indexOf('\n', at) - at).simplified();
    };
    EXPECT_EQ(line("Saldo", 0), "Saldo 4 000");
    EXPECT_EQ(line("Vydané faktury", 0), "Vydané faktury 5 300");
    EXPECT_EQ(line("Přijaté faktury", 0), "Přijaté faktury 1 300");
    EXPECT_EQ(line("Saldo", 1), "Saldo -600");
    EXPECT_EQ(line("Vydané faktury", 1), "Vydané faktury 300");
    EXPECT_EQ(line("Přijaté faktury", 1), "Přijaté faktury 900");

    // The print table is this workstation's own and stays after the print.
    EXPECT_EQ(form->ZConnection1.scalar("select count(*) from _protisk").toInt(), 5);
    EXPECT_THROW(db->scalar("select count(*) from _protisk"), db::Error);
}

TEST_F(PrintTest, TemplatesMissingOrBroken)
{
    db->clear();
    insert(1, "FP", "100", "F1", "Alfa");
    start(QString());
    QFile::remove(dir + "/seznam.fr3");
    form->ColorButton15Click();
    EXPECT_TRUE(messages().isEmpty()); // an empty preview, no message
    ASSERT_EQ(pages.size(), 1);
    EXPECT_FALSE(pages[0].contains("Alfa"));

    QFile f(dir + "/seznam.fr3");
    f.open(QIODevice::WriteOnly);
    f.write("this is not a template");
    f.close();
    pages.clear();
    bool ok = app::guard(form.get(), [&] { form->ColorButton15Click(); });
    EXPECT_FALSE(ok);
    const QStringList shown = messages();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].contains("seznam.fr3")) << shown[0].toStdString();
    EXPECT_TRUE(pages.isEmpty());
}

} // namespace
