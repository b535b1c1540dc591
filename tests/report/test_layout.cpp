// Laying out bands over pages, painting pictures, and the preview window.
#include "report/preview.h"

#include "reporttest.h"
#include "testenv.h"

#include <QApplication>
#include <QPrinter>
#include <QRegularExpression>
#include <QTimer>

#include <gtest/gtest.h>

using report::Band;
using report::mm;
using report::Report;

namespace {

const QString kData = QStringLiteral("frxDBDataset1");

QString field(const char* name)
{
    return QStringLiteral("<frxDBDataset1.\"%1\">").arg(QLatin1String(name));
}

// A grouped list: title, page header, a reprinted column header, groups by kind with their
// sums, a page total in the page footer, and the report total in the summary with a child band.
void buildGroupedList(report::Design& d)
{
    d.clear();
    d.addDataset(kData);
    report::ReportPage& page = d.addPage();
    const double w = mm(190);
    page.addBand(Band::Kind::ReportTitle, "ReportTitle1", mm(15)).addMemo("Title", {0, 0, w, mm(10)}, "PŘEHLED");
    page.addBand(Band::Kind::PageHeader, "PageHeader1", mm(8)).addMemo("Head", {0, 0, w, mm(6)}, "Hlavička stránky");
    Band& header = page.addBand(Band::Kind::Header, "Header1", mm(8));
    header.reprintOnNewPage = true;
    header.addMemo("Columns", {0, 0, w, mm(6)}, "Kód a částka");
    Band& group = page.addBand(Band::Kind::GroupHeader, "GroupHeader1", mm(8));
    group.condition = field("DRUH");
    group.addMemo("GroupName", {0, 0, w, mm(6)}, QStringLiteral("Skupina [%1]").arg(field("DRUH")));
    Band& data = page.addBand(Band::Kind::MasterData, "MasterData1", mm(10));
    data.dataSetName = kData;
    data.addMemo("Row", {0, 0, w, mm(6)}, QStringLiteral("[Line]. [%1] = [%2]").arg(field("KOD"), field("CASTKA")));
    page.addBand(Band::Kind::GroupFooter, "GroupFooter1", mm(8))
        .addMemo("GroupSum", {0, 0, w, mm(6)},
                 QStringLiteral("Součet skupiny [%1]: [SUM(%2, MasterData1)]").arg(field("DRUH"), field("CASTKA")));
    Band& summary = page.addBand(Band::Kind::ReportSummary, "ReportSummary1", mm(10));
    summary.child = QStringLiteral("Child1");
    page.addBand(Band::Kind::Child, "Child1", mm(8)).addMemo("End", {0, 0, w, mm(6)}, "Konec přehledu");
    summary.addMemo("Total", {0, 0, w, mm(6)},
                    QStringLiteral("Celkem: [SUM(%1, MasterData1)] v [COUNT(MasterData1)] řádcích, nejvíc "
                                   "[MAX(%1, MasterData1)], průměr [AVG(%1, MasterData1)]")
                        .arg(field("CASTKA")));
    Band& footer = page.addBand(Band::Kind::PageFooter, "PageFooter1", mm(10));
    footer.addMemo("PageNo", {0, 0, w / 2, mm(6)}, "Strana [Page#] z [TotalPages#]");
    footer.addMemo("PageSum", {w / 2, 0, w / 2, mm(6)},
                   QStringLiteral("Stránkový součet: [SUM(%1, MasterData1)]").arg(field("CASTKA")));
}

} // namespace

TEST(ReportLayout, GroupedListBreaksPagesWithTotalsAndPageNumbers)
{
    reporttest::useCzechLocale();
    Report r;
    buildGroupedList(r.design());
    report::TableDataSource data({"KOD", "DRUH", "CASTKA"});
    for (int i = 1; i <= 120; ++i)
        data.addRow({QStringLiteral("K%1").arg(i, 3, 10, QChar(u'0')), i <= 60 ? "A" : "B", i});
    r.bindDataSource(kData, &data);
    const QString pdf = reporttest::exportPdf(r, QStringLiteral("grouped.pdf"));
    const int pages = reporttest::pdfPages(pdf);
    ASSERT_EQ(pages, r.pageCount());
    ASSERT_GE(pages, 5);

    int pageSums = 0;
    QString all;
    for (int p = 1; p <= pages; ++p) {
        const QString text = reporttest::pdfText(pdf, p, p);
        all += text;
        EXPECT_TRUE(text.contains(QStringLiteral("Strana %1 z %2").arg(p).arg(pages))) << "page " << p;
        EXPECT_EQ(text.contains(QStringLiteral("PŘEHLED")), p == 1) << "title on page " << p;
        EXPECT_TRUE(text.contains(QStringLiteral("Hlavička stránky"))) << "page header on page " << p;
        EXPECT_TRUE(text.contains(QStringLiteral("Kód a částka"))) << "reprinted header on page " << p;
        const auto m = QRegularExpression(QStringLiteral("Stránkový součet: (\\d+)")).match(text);
        ASSERT_TRUE(m.hasMatch()) << "page " << p;
        pageSums += m.captured(1).toInt();
    }
    EXPECT_EQ(pageSums, 7260); // page totals restart on every page and add up to the whole
    EXPECT_TRUE(all.contains(QStringLiteral("Součet skupiny A: 1830")));
    EXPECT_TRUE(all.contains(QStringLiteral("Součet skupiny B: 5430")));
    EXPECT_TRUE(all.contains(QStringLiteral("Celkem: 7260 v 120 řádcích, nejvíc 120, průměr 60,5")));
    // Every row once, in order, numbered within its group.
    const auto rows = QRegularExpression(QStringLiteral("(\\d+)\\. K(\\d{3}) = (\\d+)")).globalMatch(all);
    int expected = 1;
    for (auto it = rows; it.hasNext(); ++expected) {
        const auto m = it.next();
        EXPECT_EQ(m.captured(2).toInt(), expected);
        EXPECT_EQ(m.captured(1).toInt(), expected <= 60 ? expected : expected - 60);
    }
    EXPECT_EQ(expected - 1, 120);
    EXPECT_LT(all.indexOf(QStringLiteral("Součet skupiny A")), all.indexOf(QStringLiteral("Skupina B")));
    EXPECT_GT(all.indexOf(QStringLiteral("Konec přehledu")), all.indexOf(QStringLiteral("Celkem:"))); // child band
}

TEST(ReportLayout, StretchedBandGrowsWithItsWrappedText)
{
    Report r;
    r.design().addDataset(kData);
    Band& data = r.design().addPage().addBand(Band::Kind::MasterData, "MasterData1", mm(6));
    data.dataSetName = kData;
    data.addMemo("Text", {0, 0, mm(60), mm(6)}, QStringLiteral("[%1]").arg(field("TEXT")));
    report::TableDataSource rows({"TEXT"});
    QString longText;
    for (int w = 1; w <= 60; ++w)
        longText += QStringLiteral("slovo%1 ").arg(w);
    for (int i = 1; i <= 12; ++i)
        rows.addRow({QStringLiteral("řádek%1 ").arg(i) + longText + QStringLiteral("konec%1").arg(i)});
    r.bindDataSource(kData, &rows);
    r.prepare();
    EXPECT_EQ(r.pageCount(), 1); // fixed height: twelve bands of 6 mm
    data.stretched = true;
    r.prepare();
    const QString pdf = reporttest::exportPdf(r, QStringLiteral("stretched.pdf"));
    const int pages = reporttest::pdfPages(pdf);
    EXPECT_GT(pages, 2);
    EXPECT_TRUE(reporttest::pdfText(pdf, 1, 1).contains(QStringLiteral("řádek1 ")));
    EXPECT_TRUE(reporttest::pdfText(pdf, pages, pages).contains(QStringLiteral("konec12")));
}

TEST(ReportLayout, PrintingSendsTheChosenPagesToThePrinter)
{
    reporttest::useCzechLocale();
    Report r;
    buildGroupedList(r.design());
    report::TableDataSource data({"KOD", "DRUH", "CASTKA"});
    for (int i = 1; i <= 120; ++i)
        data.addRow({QStringLiteral("K%1").arg(i, 3, 10, QChar(u'0')), "A", i});
    r.bindDataSource(kData, &data);
    r.prepare();
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString pdf = testenv::tmpDir() + QStringLiteral("/printed.pdf");
    printer.setOutputFileName(pdf);
    r.print(printer, 2, 3);
    ASSERT_EQ(reporttest::pdfPages(pdf), 2);
    const QString text = reporttest::pdfText(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("Strana 2 z %1").arg(r.pageCount())));
    EXPECT_TRUE(text.contains(QStringLiteral("Strana 3 z %1").arg(r.pageCount())));
    EXPECT_FALSE(text.contains(QStringLiteral("PŘEHLED")));
}

TEST(ReportLayout, PictureSetByTheProgramFitsThePageKeepingItsShape)
{
    Report r;
    report::ReportPage& page = r.design().addPage();
    page.leftMargin = page.rightMargin = page.topMargin = page.bottomMargin = 0;
    Band& band = page.addBand(Band::Kind::ReportTitle, "ReportTitle1", mm(297));
    report::ReportObject& pic = band.addPicture("Picture1", {0, 0, mm(210), mm(297)});
    pic.center = true;
    QImage img(400, 200, QImage::Format_RGB32);
    img.fill(Qt::red);
    ASSERT_TRUE(r.setPicture(QStringLiteral("Picture1"), img));
    EXPECT_FALSE(r.setPicture(QStringLiteral("Picture2"), img));
    r.prepare();
    ASSERT_EQ(r.pageCount(), 1);
    const QImage shown = r.renderPage(0, 48);
    const QPoint mid(shown.width() / 2, shown.height() / 2);
    EXPECT_EQ(shown.pixelColor(mid), QColor(Qt::red));
    EXPECT_EQ(shown.pixelColor(mid.x(), shown.height() / 2 - shown.width() / 4 - 3), QColor(Qt::white));
    EXPECT_EQ(shown.pixelColor(mid.x(), shown.height() / 2 - shown.width() / 4 + 3), QColor(Qt::red));
    EXPECT_EQ(shown.pixelColor(2, mid.y()), QColor(Qt::red));
    const QString pdf = testenv::tmpDir() + QStringLiteral("/picture.pdf");
    r.exportPdf(pdf, {QString(), QStringLiteral("wVariant"), QStringLiteral("sken"), QStringLiteral("Ledrana")});
    EXPECT_EQ(reporttest::pdfPages(pdf), 1);
    // The PDF shows the same: poppler's rendering is red in the middle, white above the picture.
    ASSERT_EQ(testenv::run(QStringLiteral("pdftoppm"),
                           {QStringLiteral("-r"), QStringLiteral("20"), QStringLiteral("-png"),
                            QStringLiteral("-singlefile"), pdf, testenv::tmpDir() + QStringLiteral("/picture")}),
              0);
    const QImage rendered(testenv::tmpDir() + QStringLiteral("/picture.png"));
    ASSERT_FALSE(rendered.isNull());
    const QColor middle = rendered.pixelColor(rendered.width() / 2, rendered.height() / 2); // JPEG: nearly red
    EXPECT_TRUE(middle.red() > 240 && middle.green() < 16 && middle.blue() < 16) << middle.name().toStdString();
    EXPECT_EQ(rendered.pixelColor(rendered.width() / 2, rendered.height() / 8), QColor(Qt::white));
    QString out;
    testenv::run(QStringLiteral("pdfinfo"), {pdf}, &out);
    EXPECT_TRUE(out.contains(QRegularExpression(QStringLiteral("Author:\\s+wVariant")))) << out.toStdString();
    EXPECT_TRUE(out.contains(QRegularExpression(QStringLiteral("Subject:\\s+sken")))) << out.toStdString();
    testenv::run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf}, &out);
    EXPECT_TRUE(out.contains(QRegularExpression(QStringLiteral("\\s400\\s+200\\s.*jpeg")))) << out.toStdString();
}

TEST(ReportLayout, PreviewIsModalAndReturnsWhenClosed)
{
    Report r;
    buildGroupedList(r.design());
    report::TableDataSource data({"KOD", "DRUH", "CASTKA"});
    for (int i = 1; i <= 80; ++i)
        data.addRow({QStringLiteral("K%1").arg(i), "A", i});
    r.bindDataSource(kData, &data);
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<report::PreviewDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        seen = true;
        EXPECT_TRUE(dialog->windowState() & Qt::WindowMaximized);
        EXPECT_EQ(dialog->currentPage(), 0);
        dialog->setCurrentPage(1);
        EXPECT_EQ(dialog->currentPage(), 1);
        dialog->setCurrentPage(999);
        EXPECT_EQ(dialog->currentPage(), r.pageCount() - 1);
        dialog->setZoom(2.0);
        dialog->repaint();
        dialog->close();
    });
    r.showPreview();
    EXPECT_TRUE(seen);
}
