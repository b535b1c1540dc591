#include "reporttest.h"

#include "testenv.h"

#include <QLocale>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace reporttest {

void useCzechLocale()
{
    QLocale::setDefault(QLocale(QLocale::Czech, QLocale::CzechRepublic));
    report::setShortDateFormat(QString());
}

QString pdfText(const QString& path, int firstPage, int lastPage)
{
    QStringList args{QStringLiteral("-layout"), QStringLiteral("-enc"), QStringLiteral("UTF-8")};
    if (firstPage > 0)
        args << QStringLiteral("-f") << QString::number(firstPage);
    if (lastPage > 0)
        args << QStringLiteral("-l") << QString::number(lastPage);
    args << path << QStringLiteral("-");
    QString out;
    EXPECT_EQ(testenv::run(QStringLiteral("pdftotext"), args, &out), 0) << out.toStdString();
    return out;
}

int pdfPages(const QString& path)
{
    QString out;
    EXPECT_EQ(testenv::run(QStringLiteral("pdfinfo"), {path}, &out), 0) << out.toStdString();
    const auto m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(out);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QString exportPdf(report::Report& report, const QString& name)
{
    const QString path = testenv::tmpDir() + u'/' + name;
    report.exportPdf(path);
    QString out;
    EXPECT_EQ(testenv::run(QStringLiteral("qpdf"), {QStringLiteral("--check"), path}, &out), 0) << out.toStdString();
    return path;
}

report::ReportObject& oneMemoDesign(report::Design& design, const QString& text)
{
    design.clear();
    design.addDataset(QStringLiteral("frxDBDataset1"));
    report::ReportPage& page = design.addPage();
    report::Band& band = page.addBand(report::Band::Kind::MasterData, QStringLiteral("MasterData1"), report::mm(6));
    band.dataSetName = QStringLiteral("frxDBDataset1");
    return band.addMemo(QStringLiteral("Memo1"), QRectF(0, 0, report::mm(190), report::mm(6)), text);
}

} // namespace reporttest
