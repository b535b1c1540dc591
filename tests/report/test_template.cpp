// Reading and writing .fr3 templates: the version 4 form, errors, the version 5+ form.
#include "report/fr3.h"

#include "reporttest.h"
#include "testenv.h"

#include <QDir>
#include <QFile>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

using report::Report;

namespace {

QString fixture(const char* name)
{
    return testenv::sourceDir() + QStringLiteral("/tests/report/fixtures/") + QLatin1String(name);
}

QString writeFile(const QString& name, const QByteArray& bytes)
{
    const QString path = testenv::tmpDir() + u'/' + name;
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
}

// Strict XML check of a saved template: well-formed UTF-8 in the version 5+ form.
void expectWellFormed5(const QByteArray& xml)
{
    EXPECT_TRUE(xml.startsWith("<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>"));
    QXmlStreamReader reader(xml);
    while (!reader.atEnd())
        reader.readNext();
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString() << " at line " << reader.lineNumber();
}

} // namespace

TEST(ReportTemplate, Version4FileReadsWithPropDataCp1250AndCommaFloats)
{
    reporttest::useCzechLocale();
    Report r;
    ASSERT_TRUE(r.loadFromFile(fixture("v4.fr3")));
    const report::Design& d = r.design();
    ASSERT_EQ(d.datasets.size(), 1);
    EXPECT_EQ(d.datasets[0].dataSetName, QStringLiteral("frxDBDataset1"));
    ASSERT_EQ(d.variables.size(), 2);
    EXPECT_TRUE(d.variables[0].isCategory());
    EXPECT_EQ(d.variables[1].value, QStringLiteral("'Žluťoučký kůň'")); // cp1250 in PropData

    const report::Band* band = d.findBand(QStringLiteral("MasterData1"));
    ASSERT_NE(band, nullptr);
    EXPECT_DOUBLE_EQ(band->height, 22.67718);
    const report::ReportObject* memo1 = r.findObject(QStringLiteral("Memo1"));
    ASSERT_NE(memo1, nullptr);
    EXPECT_DOUBLE_EQ(memo1->left, 3.77953);
    EXPECT_DOUBLE_EQ(memo1->top, 1.5);
    EXPECT_EQ(memo1->font.name, QStringLiteral("Tahoma"));
    EXPECT_EQ(memo1->font.height, -16);
    EXPECT_EQ(memo1->font.style, 1);
    EXPECT_EQ(memo1->hAlign, report::HAlign::Right);
    EXPECT_EQ(memo1->displayFormat.formatStr, QStringLiteral("#,##0.00 Kč")); // cp1250 attribute
    EXPECT_TRUE(memo1->extra.contains({QStringLiteral("Hint"), QStringLiteral("Částka faktury")}));
    const report::ReportObject* memo2 = r.findObject(QStringLiteral("Memo2"));
    ASSERT_NE(memo2, nullptr);
    EXPECT_DOUBLE_EQ(memo2->frame.width, 0.5);
    EXPECT_EQ(memo2->frame.typ, 15);
    EXPECT_EQ(memo2->color, QColor(192, 192, 192));

    report::TableDataSource data({"CASTKA"});
    data.addRow({1234.5});
    r.bindDataSource(QStringLiteral("frxDBDataset1"), &data);
    r.prepare();
    const QStringList expected{QStringLiteral("1\u00A0234,50 Kč"), QStringLiteral("Firma: Žluťoučký kůň\nŘádek\t2")};
    EXPECT_EQ(r.pageTexts(0), expected);

    // Saved in the version 5+ form it reads back to the same report, byte for byte on a second save.
    const QByteArray saved = r.saveToData();
    expectWellFormed5(saved);
    EXPECT_TRUE(saved.contains("<Datasets>"));
    EXPECT_TRUE(saved.contains("<item Name=\"firma\" Value=\"'Žluťoučký kůň'\"/>"));
    EXPECT_FALSE(saved.contains("PropData"));
    Report again;
    again.loadFromData(saved, QStringLiteral("saved.fr3"));
    EXPECT_EQ(again.saveToData(), saved);
    again.bindDataSource(QStringLiteral("frxDBDataset1"), &data);
    again.prepare();
    EXPECT_EQ(again.pageTexts(0), expected);
}

TEST(ReportTemplate, MissingFileIsAnEmptyReportWithOneBlankPage)
{
    Report r;
    r.design().addPage();
    r.setVariable(QStringLiteral("firma"), QStringLiteral("'x'"));
    EXPECT_FALSE(r.loadFromFile(testenv::tmpDir() + QStringLiteral("/neni.fr3")));
    EXPECT_TRUE(r.design().pages.empty());
    EXPECT_TRUE(r.design().variables.isEmpty());
    r.setVariable(QStringLiteral("firma"), QStringLiteral("''")); // as the program does after loading
    const QString pdf = reporttest::exportPdf(r, QStringLiteral("empty.pdf"));
    EXPECT_EQ(reporttest::pdfPages(pdf), 1);
    EXPECT_EQ(reporttest::pdfText(pdf).trimmed(), QString());
}

TEST(ReportTemplate, UnreadableTemplatesFailNamingTheFileAndTheReason)
{
    struct Case
    {
        const char* file;
        QByteArray bytes;
        const char* reason;
    };
    QFile seznam(testenv::sourceDir() + QStringLiteral("/templates/seznam.fr3"));
    ASSERT_TRUE(seznam.open(QIODevice::ReadOnly));
    const QByteArray whole = seznam.readAll();
    const Case cases[] = {
        {"binary.fr3", QByteArray("\x00\x01\x02\xff\xfe binary", 14), "soubor neobsahuje XML šablonu sestavy"},
        {"html.fr3", "<html><body/></html>", "kořenový prvek je „html“ místo TfrxReport"},
        {"truncated.fr3", whole.left(whole.size() / 2), "ve značce"},
        {"cut.fr3", whole.left(whole.indexOf("</TfrxReportPage>")), "soubor je neúplný (chybí </TfrxReport>)"},
        {"propdata.fr3", "<TfrxReport PropData=\"08446174617365747301\"/>", "PropData"},
        {"propdata-hex.fr3", "<TfrxReport PropData=\"xyz\"/>", "PropData"},
    };
    for (const Case& c : cases) {
        const QString path = writeFile(QLatin1String(c.file), c.bytes);
        Report r;
        try {
            r.loadFromFile(path);
            ADD_FAILURE() << c.file << " was read";
        } catch (const report::ReportError& e) {
            EXPECT_TRUE(e.message().contains(path)) << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.reason))) << e.message().toStdString();
        }
    }
    const QString dir = testenv::tmpDir() + QStringLiteral("/adresar.fr3");
    QDir().mkpath(dir);
    Report r;
    try {
        r.loadFromFile(dir);
        ADD_FAILURE() << "a directory was read";
    } catch (const report::ReportError& e) {
        EXPECT_TRUE(e.message().contains(dir) && e.message().contains(QStringLiteral("adresář")))
            << e.message().toStdString();
    }
}

TEST(ReportTemplate, WritingToAnUnwritablePlaceFailsNamingTheFile)
{
    Report r;
    for (const char* name : {"/neni/adresar/x.fr3", "/neni/adresar/x.pdf"}) {
        const QString path = testenv::tmpDir() + QLatin1String(name);
        try {
            if (path.endsWith(QLatin1String(".pdf")))
                r.exportPdf(path);
            else
                r.saveToFile(path);
            ADD_FAILURE() << "written: " << name;
        } catch (const report::ReportError& e) {
            EXPECT_TRUE(e.message().contains(path)) << e.message().toStdString();
        }
    }
}
