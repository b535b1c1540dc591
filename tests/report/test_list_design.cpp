// The built-in list design, the templates next to the program, and the cover sheet.
#include "printing/list_design.h"

#include "pruvodka_design.h"
#include "reporttest.h"
#include "testenv.h"

#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

using report::Report;

namespace {

const QStringList kInvoiceFields{"POR_CIS", "DRUH",   "CISLO",  "DATUM",    "ICO",       "NAZEV",
                                 "CIS_FAK", "D_TEXT", "CASTKA", "ODESLANI", "SPLATNOST", "ZAPLACENO"};

QVariantList invoice(int porCis, const QString& druh, const QString& nazev, double castka, const QVariant& zaplaceno)
{
    return {porCis,
            druh,
            porCis % 100,
            QDate(2024, 3, 5),
            QStringLiteral("2548%1").arg(porCis, 4, 10, QChar(u'0')),
            nazev,
            QStringLiteral("FA-%1").arg(porCis),
            QStringLiteral("služby za %1").arg(porCis),
            castka,
            QDate(2024, 3, 1),
            QDate(2024, 3, 31),
            zaplaceno};
}

// Rewrites the templates from their designs when LEDRANA_WRITE_TEMPLATES=1 is set.
void checkTemplate(const char* file, void (*build)(report::Design&))
{
    Report built;
    build(built.design());
    const QByteArray bytes = built.saveToData();
    const QString path = testenv::sourceDir() + QStringLiteral("/templates/") + QLatin1String(file);
    if (qEnvironmentVariable("LEDRANA_WRITE_TEMPLATES") == QLatin1String("1"))
        built.saveToFile(path);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << file;
    EXPECT_EQ(f.readAll(), bytes) << file << " differs from its design";

    // Read back, it is the same design: same bytes when saved, same pages when printed.
    Report loaded;
    ASSERT_TRUE(loaded.loadFromFile(path));
    EXPECT_EQ(loaded.saveToData(), bytes);
    report::TableDataSource data(kInvoiceFields);
    for (int i = 1; i <= 60; ++i)
        data.addRow(invoice(i, i % 2 ? QStringLiteral("FP") : QStringLiteral("FV"), QStringLiteral("Firma %1").arg(i),
                            1000 + i, i));
    for (Report* r : {&built, &loaded}) {
        r->bindDataSource(QStringLiteral("frxDBDataset1"), &data);
        r->setVariable(QStringLiteral("firma"), Report::quoted(QStringLiteral("Naše firma")));
        r->prepare();
    }
    ASSERT_EQ(loaded.pageCount(), built.pageCount()) << file;
    for (int p = 0; p < built.pageCount(); ++p)
        EXPECT_EQ(loaded.pageTexts(p), built.pageTexts(p)) << file << " page " << p + 1;
}

// The amount on the line of a label in pdftotext's layout text.
QString amountAfter(const QString& text, const QString& label, int occurrence = 0)
{
    QRegularExpression re(QRegularExpression::escape(label) + QStringLiteral("\\s{2,}(-?[\\d ]+\\d)\\s*$"),
                          QRegularExpression::MultilineOption);
    auto it = re.globalMatch(text);
    for (int i = 0; it.hasNext(); ++i) {
        auto m = it.next();
        if (i == occurrence)
            return m.captured(1);
    }
    return QStringLiteral("<missing>");
}

} // namespace

TEST(ReportListDesign, TemplatesAreTheirDesignsSavedAndReadBackTheSame)
{
    reporttest::useCzechLocale();
    checkTemplate("seznam.fr3", printing::buildListDesign);
    checkTemplate("pruvodka.fr3", buildPruvodkaDesign);
}

TEST(ReportListDesign, TotalsCountKindsNotFpAndNotFv)
{
    reporttest::useCzechLocale();
    report::setShortDateFormat(QStringLiteral("dd.mm.yyyy")); // the program's date format
    Report r;
    printing::buildListDesign(r.design());
    report::TableDataSource data(kInvoiceFields);
    data.addRow(invoice(1, QStringLiteral("FP"), QStringLiteral("Dodavatel"), 1000, 400));
    data.addRow(invoice(2, QStringLiteral("FV"), QStringLiteral("Odběratel"), 3000, 1000));
    data.addRow(invoice(3, QString(), QStringLiteral("Bez druhu"), 500, 0));
    data.addRow(invoice(4, QStringLiteral("FV"), QStringLiteral("Velký odběratel"), 2000000, QVariant()));
    r.bindDataSource(QStringLiteral("frxDBDataset1"), &data);
    r.setVariable(QStringLiteral("firma"), Report::quoted(QString())); // empty company name: "''"
    const QString pdf = reporttest::exportPdf(r, QStringLiteral("list-totals.pdf"));
    ASSERT_EQ(reporttest::pdfPages(pdf), 1);
    const QString text = reporttest::pdfText(pdf);

    EXPECT_TRUE(text.contains(QStringLiteral("SEZNAM VYBRANÝCH ZÁZNAMŮ KNIHY FAKTUR")));
    for (const char* heading :
         {"poř.číslo", "druh", "IČO", "firma", "číslo fa", "splatnost", "částka", "uhrazeno", "k úhradě"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(heading))) << heading;
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("FA-2\\s+31\\.03\\.2024\\s+3000\\s+1000\\s+2000"))))
        << text.toStdString();
    // Celkem: issued = kinds not FP, received = kinds not FV; the empty kind is in both.
    EXPECT_EQ(amountAfter(text, QStringLiteral("Saldo")), QStringLiteral("2 002 000"));
    EXPECT_EQ(amountAfter(text, QStringLiteral("Vydané faktury")), QStringLiteral("2 003 500"));
    EXPECT_EQ(amountAfter(text, QStringLiteral("Přijaté faktury")), QStringLiteral("1 500"));
    // Neuhrazeno: the same over amount minus paid.
    EXPECT_EQ(amountAfter(text, QStringLiteral("Saldo"), 1), QStringLiteral("2 001 400"));
    EXPECT_EQ(amountAfter(text, QStringLiteral("Vydané faktury"), 1), QStringLiteral("2 002 500"));
    EXPECT_EQ(amountAfter(text, QStringLiteral("Přijaté faktury"), 1), QStringLiteral("1 100"));
    EXPECT_TRUE(text.contains(QStringLiteral("Celkem")) && text.contains(QStringLiteral("Neuhrazeno")));
    // The empty company name prints nothing above the title; the footer has the date and page.
    EXPECT_TRUE(text.trimmed().startsWith(QStringLiteral("SEZNAM"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"))));
}

TEST(ReportListDesign, CompanyNameWithAnApostrophePrintsAsWritten)
{
    Report r;
    printing::buildListDesign(r.design());
    r.setVariable(QStringLiteral("firma"), Report::quoted(QStringLiteral("O'Brien & syn \"Praha\"")));
    const QString text = reporttest::pdfText(reporttest::exportPdf(r, QStringLiteral("apostrophe.pdf")));
    EXPECT_TRUE(text.contains(QStringLiteral("O'Brien & syn \"Praha\""))) << text.toStdString();
}

TEST(ReportListDesign, CoverSheetPrintsOneSheetPerRow)
{
    reporttest::useCzechLocale();
    Report r;
    ASSERT_TRUE(r.loadFromFile(testenv::sourceDir() + QStringLiteral("/templates/pruvodka.fr3")));
    report::TableDataSource data(kInvoiceFields);
    data.addRow(invoice(7, QStringLiteral("FP"), QStringLiteral("Alfa s.r.o."), 12345.5, 0));
    data.addRow(invoice(9, QStringLiteral("FP"), QStringLiteral("Beta a.s."), 99, 99));
    r.bindDataSource(QStringLiteral("frxDBDataset1"), &data);
    r.setVariable(QStringLiteral("firma"), Report::quoted(QStringLiteral("Naše firma")));
    const QString pdf = reporttest::exportPdf(r, QStringLiteral("pruvodka.pdf"));
    ASSERT_EQ(reporttest::pdfPages(pdf), 2);
    const QString first = reporttest::pdfText(pdf, 1, 1);
    const QString second = reporttest::pdfText(pdf, 2, 2);
    for (const char* s : {"Naše firma", "PRŮVODKA PŘIJATÉ FAKTURY", "Alfa s.r.o.", "25480007", "FA-7", "služby za 7",
                          "12 345,50 Kč", "05.03.2024", "01.03.2024", "31.03.2024", "FP / 7", "Schvalovací postup",
                          "Věcná kontrola", "Podpis", "Strana 1 z 2"})
        EXPECT_TRUE(first.contains(QString::fromUtf8(s))) << s << "\n" << first.toStdString();
    EXPECT_FALSE(first.contains(QStringLiteral("Beta")));
    EXPECT_TRUE(second.contains(QStringLiteral("Beta a.s.")) && second.contains(QStringLiteral("Strana 2 z 2")));
}
