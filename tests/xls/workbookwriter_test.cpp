// The workbook writer checked through an independent reader: every file is read back by
// xlrd (tests/xls/read_xls.py), which also reports any inconsistency it notices.
#include "xls/workbookwriter.h"

#include "testenv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtEndian>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using xls::Cell;
using xls::WorkbookWriter;

namespace {

QString tmpPath(const QString& name)
{
    return testenv::tmpDir() + QLatin1Char('/') + name;
}

// The workbook as xlrd sees it; `head` limits the dumped rows per sheet (plus the last).
QJsonObject readBack(const QString& path, int head = -1)
{
    const QString json = path + QStringLiteral(".json");
    QString out;
    int rc = testenv::run(QStringLiteral("/usr/bin/python3"),
                          {testenv::sourceDir() + QStringLiteral("/tests/xls/read_xls.py"), path, json,
                           QStringLiteral("--head"), QString::number(head)},
                          &out);
    EXPECT_EQ(rc, 0) << out.toStdString();
    QFile f(json);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QJsonObject book = QJsonDocument::fromJson(f.readAll()).object();
    EXPECT_EQ(book.value("warnings").toString(), QString()) << "xlrd warned while reading " << path.toStdString();
    return book;
}

QJsonArray cellAt(const QJsonObject& sheet, int row, int column)
{
    return sheet.value("rows").toObject().value(QString::number(row)).toArray().at(column).toArray();
}

QJsonArray text(const QString& s)
{
    return {QStringLiteral("text"), s};
}

QJsonArray number(double v)
{
    return {QStringLiteral("number"), v};
}

QJsonArray date(int y, int m, int d, int h = 0, int min = 0, int sec = 0)
{
    return {QStringLiteral("date"), QJsonArray{y, m, d, h, min, sec}};
}

QJsonArray empty()
{
    return {QStringLiteral("empty"), QString()};
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

TEST(WorkbookWriter, WritesEachKindOfValueUnderTheTitles)
{
    const QStringList titles = {"Příloha faktury", "IČO", "Výmaz dne", "Částka", "Poznámka", "Zapsáno"};
    const QString longText = QStringLiteral("Žluťoučký kůň úpěl ďábelské ódy – ĚŠČŘŽÝÁÍÉŮÚ s.r.o.");
    WorkbookWriter writer(titles);
    writer.addRow({Cell::text(longText), Cell::number(12345678), Cell::date(QDate(2024, 2, 29)), Cell::number(-1234.5),
                   Cell::text("x"), Cell::dateTime(QDateTime(QDate(2024, 3, 15), QTime(14, 30, 5)))});
    writer.addRow({Cell::empty(), Cell::number(0.1), Cell::date(QDate(1900, 3, 1)), Cell::number(1e15),
                   Cell::number(3.141592653589793), Cell::dateTime(QDateTime(QDate(2000, 1, 1), QTime(0, 0)))});
    // Not representable as cell values: an invalid date, NaN and an empty text stay empty;
    // a date before 1.3.1900 has no serial number and is kept as its text.
    writer.addRow({Cell::text("Příloha faktury"), Cell::date(QDate(1899, 12, 31)), Cell::date(QDate()),
                   Cell::number(std::numeric_limits<double>::quiet_NaN()), Cell::text(""),
                   Cell::dateTime(QDateTime(QDate(1900, 1, 1), QTime(8, 5)))});
    writer.addRow({Cell::text("jen jedna")});
    const QString path = tmpPath("kinds.xls");
    QString error;
    ASSERT_TRUE(writer.save(path, &error)) << error.toStdString();

    const QJsonObject book = readBack(path);
    const QJsonArray sheets = book.value("sheets").toArray();
    ASSERT_EQ(sheets.size(), 1);
    const QJsonObject sheet = sheets.at(0).toObject();
    EXPECT_EQ(sheet.value("name").toString(), "List1");
    EXPECT_EQ(sheet.value("nrows").toInt(), 5);
    EXPECT_EQ(sheet.value("ncols").toInt(), 6);

    const std::vector<std::vector<QJsonArray>> expected = {
        {text(titles[0]), text(titles[1]), text(titles[2]), text(titles[3]), text(titles[4]), text(titles[5])},
        {text(longText), number(12345678), date(2024, 2, 29), number(-1234.5), text("x"), date(2024, 3, 15, 14, 30, 5)},
        {empty(), number(0.1), date(1900, 3, 1), number(1e15), number(3.141592653589793), date(2000, 1, 1)},
        {text("Příloha faktury"), text("31.12.1899"), empty(), empty(), empty(), text("1.1.1900 8:05:00")},
        {text("jen jedna"), empty(), empty(), empty(), empty(), empty()},
    };
    for (int r = 0; r < int(expected.size()); ++r)
        for (int c = 0; c < int(expected[r].size()); ++c)
            EXPECT_EQ(cellAt(sheet, r, c), expected[r][c]) << "row " << r << " column " << c;

    // Every column has a fitted width: the long text's column widest, the dates' column
    // wide enough for d.m.yyyy, the short titles' columns at least as wide as the titles.
    const QJsonObject widths = sheet.value("widths").toObject();
    ASSERT_EQ(widths.size(), 6);
    for (int c = 0; c < 6; ++c)
        EXPECT_GE(widths.value(QString::number(c)).toInt(), titles[c].size() * 256) << "column " << c;
    EXPECT_GT(widths.value("0").toInt(), longText.size() * 256);
    EXPECT_GE(widths.value("1").toInt(), 10 * 256); // "31.12.1899" in a column titled "IČO"
    EXPECT_GE(widths.value("2").toInt(), 10 * 256);
    EXPECT_LT(widths.value("2").toInt(), 14 * 256);

    // Titles in bold, data in the normal weight.
    const QJsonArray weights = sheet.value("weights").toArray();
    EXPECT_EQ(weights.at(0).toArray(), QJsonArray({700, 700, 700, 700, 700, 700}));
    EXPECT_EQ(weights.at(1).toArray(), QJsonArray({400, 400, 400, 400, 400, 400}));

    const QJsonObject setup = sheet.value("setup").toObject();
    EXPECT_TRUE(setup.value("portrait").toBool());
    EXPECT_TRUE(setup.value("valid").toBool());
    EXPECT_EQ(setup.value("paper").toInt(), 9);
}

// Texts go into the shared string table (continued over CONTINUE records, strings split
// between records in 8-bit and 16-bit form) or, once its budget is spent, into the cells.
struct TextCase
{
    const char* name;
    std::size_t budget;
};

class TextStorage : public ::testing::TestWithParam<TextCase>
{
};

TEST_P(TextStorage, KeepsEveryText)
{
    std::vector<QString> texts;
    for (int i = 0; i < 3000; ++i)
        texts.push_back(QStringLiteral("Odběratel č. %1 %2").arg(i).arg(QString(i % 37, QChar(i % 2 ? u'ř' : u'a'))));
    texts.push_back(QString(9000, QChar(u'é')));                                     // 8-bit, over a record
    texts.push_back(QString(5000, QChar(u'Ů')));                                     // 16-bit, over a record
    texts.push_back(QString(255, QChar(u'č')));                                      // longest for a cell label
    texts.push_back(QString(256, QChar(u'č')));                                      // shared even over budget
    texts.push_back(QString(WorkbookWriter::maxTextLength - 1, QChar(u'x')) + u'ž'); // longest allowed
    texts.push_back(texts[17]);                                                      // repeated

    WorkbookWriter::Options options;
    options.sharedStringBudget = GetParam().budget;
    WorkbookWriter writer({"Název"}, options);
    for (const QString& t : texts)
        writer.addRow({Cell::text(t)});
    const QString path = tmpPath(QStringLiteral("texts-%1.xls").arg(GetParam().name));
    QString error;
    ASSERT_TRUE(writer.save(path, &error)) << error.toStdString();

    const QJsonObject sheet = readBack(path).value("sheets").toArray().at(0).toObject();
    ASSERT_EQ(sheet.value("nrows").toInt(), int(texts.size()) + 1);
    for (int i = 0; i < int(texts.size()); ++i)
        ASSERT_EQ(cellAt(sheet, i + 1, 0), text(texts[i])) << "text " << i;
    EXPECT_EQ(sheet.value("widths").toObject().value("0").toInt(), 255 * 256);
}

INSTANTIATE_TEST_SUITE_P(WorkbookWriter, TextStorage,
                         ::testing::Values(TextCase{"shared", 64u << 20}, TextCase{"labels", 0},
                                           TextCase{"partly_shared", 20000}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(WorkbookWriter, WritesTheTitlesOfAnEmptyTable)
{
    WorkbookWriter writer({"Číslo", "Název"});
    const QString path = tmpPath("empty.xls");
    QString error;
    ASSERT_TRUE(writer.save(path, &error)) << error.toStdString();
    const QJsonArray sheets = readBack(path).value("sheets").toArray();
    ASSERT_EQ(sheets.size(), 1);
    const QJsonObject sheet = sheets.at(0).toObject();
    EXPECT_EQ(sheet.value("nrows").toInt(), 1);
    EXPECT_EQ(cellAt(sheet, 0, 0), text("Číslo"));
    EXPECT_EQ(cellAt(sheet, 0, 1), text("Název"));
}

TEST(WorkbookWriter, ReplacesAnExistingFile)
{
    const QString path = tmpPath("existing.xls");
    writeFile(path, QByteArray(100000, 'z'));
    WorkbookWriter writer({"Číslo"});
    writer.addRow({Cell::number(7)});
    QString error;
    ASSERT_TRUE(writer.save(path, &error)) << error.toStdString();
    const QJsonObject sheet = readBack(path).value("sheets").toArray().at(0).toObject();
    EXPECT_EQ(cellAt(sheet, 1, 0), number(7));
    EXPECT_EQ(QDir(testenv::tmpDir()).entryList({"existing.xls*"}, QDir::Files).size(), 2) << "file and its dump";
}

// More rows than a sheet holds: the table goes on in a second sheet with the titles
// repeated. The file is also past the size where the compound file needs DIFAT sectors.
TEST(WorkbookWriter, ContinuesALongTableOnFurtherSheets)
{
    const int rows = 70000;
    const QStringList titles = {"Poř.", "Datum", "Název", "Částka", "Číslo faktury", "Podíl", "Zaplaceno", "Text"};
    auto rowOf = [](int i) {
        return std::vector<Cell>{Cell::number(i),
                                 Cell::date(QDate(2020, 1, 1).addDays(i % 3650)),
                                 Cell::text(QStringLiteral("Odběratel %1").arg(i % 997)),
                                 Cell::number(i * 10 + 0.5),
                                 Cell::text(QStringLiteral("FV%1").arg(i, 7, 10, QChar('0'))),
                                 Cell::number(i / 7.0),
                                 Cell::number(std::sqrt(double(i))),
                                 i % 3 ? Cell::text("Výmaz dne") : Cell::empty()};
    };
    WorkbookWriter writer(titles);
    for (int i = 0; i < rows; ++i)
        writer.addRow(rowOf(i));
    EXPECT_EQ(writer.sheetCount(), 2);
    const QString path = tmpPath("long.xls");
    QString error;
    ASSERT_TRUE(writer.save(path, &error)) << error.toStdString();

    const QByteArray head = readFile(path).left(512);
    ASSERT_EQ(head.size(), 512);
    EXPECT_GT(qFromLittleEndian<quint32>(head.constData() + 0x48), 0u) << "DIFAT sectors in use";

    const QJsonArray sheets = readBack(path, 2).value("sheets").toArray();
    ASSERT_EQ(sheets.size(), 2);
    const int perSheet = WorkbookWriter::maxRowsPerSheet - 1;
    const int firstRows[2] = {0, perSheet};
    const int sheetRows[2] = {WorkbookWriter::maxRowsPerSheet, rows - perSheet + 1};
    for (int s = 0; s < 2; ++s) {
        const QJsonObject sheet = sheets.at(s).toObject();
        EXPECT_EQ(sheet.value("name").toString(), QStringLiteral("List%1").arg(s + 1));
        ASSERT_EQ(sheet.value("nrows").toInt(), sheetRows[s]);
        for (int c = 0; c < titles.size(); ++c)
            EXPECT_EQ(cellAt(sheet, 0, c), text(titles[c]));
        EXPECT_EQ(sheet.value("widths").toObject().size(), titles.size());
        EXPECT_TRUE(sheet.value("setup").toObject().value("portrait").toBool());
        // The first data row of the sheet and, on the last sheet, the table's last row.
        std::vector<std::pair<int, int>> checks = {{1, firstRows[s]}};
        if (s == 1)
            checks.emplace_back(sheetRows[s] - 1, rows - 1);
        for (auto [sheetRow, i] : checks) {
            QDate d = QDate(2020, 1, 1).addDays(i % 3650);
            EXPECT_EQ(cellAt(sheet, sheetRow, 0), number(i));
            EXPECT_EQ(cellAt(sheet, sheetRow, 1), date(d.year(), d.month(), d.day()));
            EXPECT_EQ(cellAt(sheet, sheetRow, 2), text(QStringLiteral("Odběratel %1").arg(i % 997)));
            EXPECT_EQ(cellAt(sheet, sheetRow, 4), text(QStringLiteral("FV%1").arg(i, 7, 10, QChar('0'))));
            EXPECT_EQ(cellAt(sheet, sheetRow, 6), number(std::sqrt(double(i))));
        }
    }
}

// Failures leave nothing under the chosen name: no new file, an existing one unchanged.
struct FailureCase
{
    const char* name;
    QString path;          // relative to the test directory unless absolute
    bool existingFile;     // a file is there before
    int columns;           // cells in the row
    qsizetype textLength;  // of the first cell
    const char* errorPart; // in the error text
};

class SaveFailure : public ::testing::TestWithParam<FailureCase>
{
};

TEST_P(SaveFailure, ReportsAndLeavesNothingHalfWritten)
{
    const FailureCase& c = GetParam();
    QDir(testenv::tmpDir()).mkpath("adir");
    const QString path = QDir::isAbsolutePath(c.path) ? c.path : tmpPath(c.path);
    const QByteArray before = "an earlier file";
    if (c.existingFile)
        writeFile(path, before);
    const QStringList beforeEntries = QDir(QFileInfo(path).path()).entryList(QDir::AllEntries | QDir::Hidden);

    WorkbookWriter writer({"A"});
    std::vector<Cell> row(c.columns, Cell::number(1));
    row[0] = Cell::text(QString(c.textLength, QChar(u'ž')));
    writer.addRow(row);
    QString error;
    EXPECT_FALSE(writer.save(path, &error));
    EXPECT_TRUE(error.contains(QLatin1String(c.errorPart))) << error.toStdString();

    QFileInfo target(path);
    if (c.existingFile)
        EXPECT_EQ(readFile(path), before);
    else if (QString(c.name) == "target_is_a_directory")
        EXPECT_TRUE(target.isDir());
    else
        EXPECT_FALSE(target.exists());
    if (QFileInfo(target.path()).isDir()) {
        EXPECT_EQ(QDir(target.path()).entryList(QDir::AllEntries | QDir::Hidden), beforeEntries) << "stray files";
    }
}

INSTANTIATE_TEST_SUITE_P(
    WorkbookWriter, SaveFailure,
    ::testing::Values(
        // procfs takes no new files, not even from root
        FailureCase{"unwritable_directory", "/proc/ledrana-export.xls", false, 2, 3, "/proc/ledrana-export.xls"},
        FailureCase{"missing_directory", "missing/export.xls", false, 2, 3, "missing does not exist"},
        FailureCase{"target_is_a_directory", "adir", false, 2, 3, "adir: it is a directory"},
        FailureCase{"row_too_wide", "wide.xls", true, WorkbookWriter::maxColumns + 1, 3, "257 cells"},
        FailureCase{"text_too_long", "long-text.xls", true, 2, WorkbookWriter::maxTextLength + 1, "column 1"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
