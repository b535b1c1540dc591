// Page PDFs from images and the page join, checked with poppler and qpdf.
#include "pdf/imagepdf.h"
#include "pdf/join.h"
#include "testenv.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

QString freshDir(const QString& name)
{
    const QString dir = testenv::tmpDir() + QLatin1Char('/') + name;
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    return dir;
}

QImage solid(int width, int height, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::black);
    return image.convertToFormat(format);
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QString pdfinfo(const QString& path)
{
    QString out;
    EXPECT_EQ(testenv::run(QStringLiteral("pdfinfo"), {path}, &out), 0) << out.toStdString();
    return out;
}

bool qpdfCheckPasses(const QString& path)
{
    QString out;
    return testenv::run(QStringLiteral("qpdf"), {QStringLiteral("--check"), path}, &out) == 0;
}

// Width × height of the images in page order, as poppler lists them.
QStringList imageSizesByPage(const QString& path)
{
    QString out;
    EXPECT_EQ(testenv::run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), path}, &out), 0);
    QStringList sizes;
    static const QRegularExpression row(QStringLiteral("^\\s*(\\d+)\\s+\\d+\\s+image\\s+(\\d+)\\s+(\\d+)"),
                                        QRegularExpression::MultilineOption);
    for (auto it = row.globalMatch(out); it.hasNext();) {
        const auto m = it.next();
        sizes << QStringLiteral("p%1:%2x%3").arg(m.captured(1), m.captured(2), m.captured(3));
    }
    return sizes;
}

// The bounding box of dark pixels of page 1 rendered at 72 dpi, i.e. in PDF points.
QRect inkBox(const QString& path)
{
    const QString base = path + QStringLiteral(".render");
    QString out;
    EXPECT_EQ(testenv::run(QStringLiteral("pdftoppm"),
                           {QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-gray"),
                            QStringLiteral("-singlefile"), path, base},
                           &out),
              0)
        << out.toStdString();
    const QImage page(base + QStringLiteral(".pgm"));
    QFile::remove(base + QStringLiteral(".pgm"));
    QRect box;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (qGray(page.pixel(x, y)) < 128)
                box |= QRect(x, y, 1, 1);
    return box;
}

QStringList entries(const QString& dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

TEST(ImageToA4Pdf, FitsPictureToWholeA4SheetCentred)
{
    const QString dir = freshDir(QStringLiteral("fit"));
    struct Case
    {
        QSize image;
        QImage::Format format; // colour, a scanned bitmap's gray palette, gray
        QRect expected;        // in points on the 595 × 842 sheet
    };
    const Case cases[] = {
        {{400, 200}, QImage::Format_RGB32, {0, 272, 595, 298}},    // wide: full width, centred vertically
        {{100, 400}, QImage::Format_Indexed8, {192, 0, 211, 842}}, // tall: full height, centred horizontally
        {{210, 297}, QImage::Format_Grayscale8, {0, 0, 595, 842}}, // A4 proportions: the whole sheet
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1x%2").arg(c.image.width()).arg(c.image.height()).toStdString());
        const QString path = dir + QStringLiteral("/page.pdf");
        QString error;
        ASSERT_TRUE(pdf::imageToA4Pdf(solid(c.image.width(), c.image.height(), c.format), path, &error))
            << error.toStdString();
        EXPECT_TRUE(qpdfCheckPasses(path));
        const QString info = pdfinfo(path);
        EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))));
        EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Page size:\\s+595 x 842 pts \\(A4\\)"))))
            << info.toStdString();
        // The picture is embedded at its own resolution, not resampled.
        EXPECT_EQ(imageSizesByPage(path),
                  QStringList{QStringLiteral("p1:%1x%2").arg(c.image.width()).arg(c.image.height())});
        const QRect box = inkBox(path);
        EXPECT_LE(std::abs(box.left() - c.expected.left()), 2) << box.left();
        EXPECT_LE(std::abs(box.top() - c.expected.top()), 2) << box.top();
        EXPECT_LE(std::abs(box.width() - c.expected.width()), 2) << box.width();
        EXPECT_LE(std::abs(box.height() - c.expected.height()), 2) << box.height();
    }
    EXPECT_EQ(entries(dir), QStringList{QStringLiteral("page.pdf")});
}

TEST(ImageToA4Pdf, NullImageFailsAndKeepsExistingFile)
{
    const QString dir = freshDir(QStringLiteral("nullimage"));
    const QString path = dir + QStringLiteral("/page.pdf");
    writeAll(path, "earlier");
    QString error;
    EXPECT_FALSE(pdf::imageToA4Pdf(QImage(), path, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(readAll(path), QByteArray("earlier"));
    EXPECT_EQ(entries(dir), QStringList{QStringLiteral("page.pdf")});
}

TEST(AppendPages, GrowsDocumentPageByPageInOrder)
{
    const QString dir = freshDir(QStringLiteral("grow"));
    const QString doc = dir + QStringLiteral("/1.pdf");
    const QString page = dir + QStringLiteral("/_str.pdf");
    QStringList expected;
    for (int i = 1; i <= 3; ++i) {
        ASSERT_TRUE(pdf::imageToA4Pdf(solid(100 + i, 60), page));
        QString error;
        ASSERT_TRUE(pdf::appendPages(doc, page, &error)) << error.toStdString();
        expected << QStringLiteral("p%1:%2x60").arg(i).arg(100 + i);
        EXPECT_EQ(imageSizesByPage(doc), expected);
        EXPECT_TRUE(qpdfCheckPasses(doc));
        EXPECT_EQ(entries(dir), QStringList{QStringLiteral("1.pdf")}); // page consumed, no temporary left
    }

    // A page file of several pages brings all of them, in their order.
    const QString pair = dir + QStringLiteral("/pair.pdf");
    ASSERT_TRUE(pdf::imageToA4Pdf(solid(201, 60), page));
    ASSERT_TRUE(pdf::appendPages(pair, page));
    ASSERT_TRUE(pdf::imageToA4Pdf(solid(202, 60), page));
    ASSERT_TRUE(pdf::appendPages(pair, page));
    ASSERT_TRUE(pdf::appendPages(doc, pair));
    expected << QStringLiteral("p4:201x60") << QStringLiteral("p5:202x60");
    EXPECT_EQ(imageSizesByPage(doc), expected);
    EXPECT_TRUE(qpdfCheckPasses(doc));
    EXPECT_TRUE(pdfinfo(doc).contains(QRegularExpression(QStringLiteral("Pages:\\s+5\\n"))));
}

TEST(AppendPages, FailedJoinLeavesTargetAndPageAsTheyWere)
{
    const QString dir = freshDir(QStringLiteral("fail"));
    const QString validPdf = dir + QStringLiteral("/valid.src");
    ASSERT_TRUE(pdf::imageToA4Pdf(solid(50, 50), validPdf));
    const QByteArray valid = readAll(validPdf);
    QFile::remove(validPdf);

    struct Case
    {
        const char* name;
        QByteArray target; // empty: no target file
        QByteArray page;   // empty: no page file
    };
    const Case cases[] = {
        {"page file missing", valid, {}},
        {"page file not a PDF", valid, "not a pdf at all"},
        {"first page not a PDF", {}, "%PDF-1.4 broken"},
        {"target not a PDF", "garbage target", valid},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString caseDir = freshDir(QStringLiteral("fail/") + QString::fromLatin1(c.name).replace(' ', '_'));
        const QString doc = caseDir + QStringLiteral("/2.pdf");
        const QString page = caseDir + QStringLiteral("/_str.pdf");
        if (!c.target.isEmpty())
            writeAll(doc, c.target);
        if (!c.page.isEmpty())
            writeAll(page, c.page);
        const QStringList before = entries(caseDir);

        QString error;
        EXPECT_FALSE(pdf::appendPages(doc, page, &error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(entries(caseDir), before);
        if (!c.target.isEmpty()) {
            EXPECT_EQ(readAll(doc), c.target);
        }
        if (!c.page.isEmpty()) {
            EXPECT_EQ(readAll(page), c.page);
        }
    }
}
