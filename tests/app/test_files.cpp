// Settings file, layout file and the program-wide formats: no database needed.
#include "app/gridcolumn.h"
#include "app/guard.h"
#include "base/cp1250.h"
#include "base/formats.h"
#include "base/inifile.h"
#include "testenv.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(bytes);
}

TEST(IniFile, WindowsSemanticsAndEncodingKept)
{
    const QString path = testenv::tmpDir() + "/a.ini";
    // cp1250 file (not valid UTF-8), mixed case, comments and a blank line to keep.
    const QByteArray original = base::toCp1250(QStringLiteral(
        "; nastavení\r\n[LogOn]\r\nIP = server\r\nUser=tolvar\r\n\r\n[Firma]\r\nNazev=Účetní kancelář Šťastná\r\n"));
    writeAll(path, original);
    base::IniFile ini(path);
    EXPECT_FALSE(ini.isUtf8());
    EXPECT_EQ(ini.value("logon", "ip"), "server");
    EXPECT_EQ(ini.value("FIRMA", "NAZEV"), QStringLiteral("Účetní kancelář Šťastná"));
    EXPECT_EQ(ini.value("LogOn", "Sqlport", "3306"), "3306");
    EXPECT_EQ(ini.value("Chybi", "x", "def"), "def");
    ASSERT_TRUE(ini.setValue("logon", "USER", QStringLiteral("Řehoř")));
    ASSERT_TRUE(ini.setValue("Tform3", "Vyska_panelu", "140"));
    const QByteArray written = readAll(path);
    EXPECT_EQ(written,
              base::toCp1250(QStringLiteral("; nastavení\r\n[LogOn]\r\nIP = server\r\nUSER=Řehoř\r\n\r\n[Firma]\r\n"
                                            "Nazev=Účetní kancelář Šťastná\r\n\r\n[Tform3]\r\nVyska_panelu=140\r\n")));

    // A UTF-8 file stays UTF-8; a missing file reads as empty.
    const QString utf = testenv::tmpDir() + "/b.ini";
    writeAll(utf, QStringLiteral("[Firma]\nNazev=Žluťoučký kůň\n").toUtf8());
    base::IniFile u(utf);
    EXPECT_TRUE(u.isUtf8());
    u.setValue("Firma", "Mesto", QStringLiteral("Ústí"));
    EXPECT_EQ(readAll(utf), QStringLiteral("[Firma]\nNazev=Žluťoučký kůň\nMesto=Ústí\n").toUtf8());
    EXPECT_FALSE(base::IniFile(testenv::tmpDir() + "/none.ini").exists());
}

TEST(LayoutFile, RoundTripAndRejectsForeignFiles)
{
    const QString path = testenv::tmpDir() + "/seznam.ini";
    QList<app::GridColumn> cols = app::builtInColumns();
    cols.move(7, 1);
    cols[3].width = 99;
    cols[4].visible = false;
    cols[5].title = QStringLiteral("tab\there \\ \"q\"");
    app::writeLayout(path, cols);
    const QList<app::GridColumn> back = app::readLayout(path);
    ASSERT_EQ(back.size(), cols.size());
    for (int i = 0; i < cols.size(); ++i) {
        EXPECT_EQ(back[i].field, cols[i].field);
        EXPECT_EQ(back[i].title, cols[i].title);
        EXPECT_EQ(back[i].width, cols[i].width);
        EXPECT_EQ(back[i].visible, cols[i].visible);
        EXPECT_EQ(back[i].alignment, cols[i].alignment);
        EXPECT_EQ(back[i].bold, cols[i].bold);
        EXPECT_EQ(back[i].fontColor, cols[i].fontColor);
    }
    writeAll(path, "[Section]\nkey=value\n");
    EXPECT_THROW(app::readLayout(path), app::FileError);
}

TEST(Formats, GeneralNumberAndRounding)
{
    struct Case
    {
        double value;
        QChar sep;
        const char* text;
    } cases[] = {{1500, '.', "1500"},
                 {1234.5, '.', "1234.5"},
                 {1234.5, ',', "1234,5"},
                 {-1250, ',', "-1250"},
                 {0.1 + 0.2, '.', "0.3"},
                 {0, ',', "0"},
                 {123456789012.25, '.', "123456789012.25"}};
    for (const Case& c : cases)
        EXPECT_EQ(base::generalNumber(c.value, c.sep), QString::fromLatin1(c.text)) << c.text;
    // Halves to the even neighbour: the double-click and zero-amount rules depend on it.
    const std::pair<double, long long> rounding[] = {{0.4, 0}, {0.5, 0}, {0.6, 1}, {1.5, 2}, {2.5, 2}, {-0.5, 0}};
    for (auto [v, r] : rounding)
        EXPECT_EQ(base::roundHalfEven(v), r) << v;
}

} // namespace
