// Start-up and shut-down of the main window: settings, connection failures, layout file,
// window-level settings, the one-shot timer.
#include "app/messagedialog.h"
#include "base/progdir.h"
#include "list/gridview.h"
#include "list/listmodel.h"
#include "list/tform3.h"
#include "testdb.h"
#include "testenv.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using app::MessageDialog;

namespace {

QString freshDir(const QString& name)
{
    const QString dir = testenv::tmpDir() + "/" + name;
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    base::setProgramDirForTests(dir);
    return dir;
}

void writeFile(const QString& path, const QString& text)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(text.toUtf8());
}

QStringList errorsShown()
{
    QStringList out;
    for (const auto& s : MessageDialog::takeShown())
        if (s.isError)
            out << s.text;
    return out;
}

struct StartupTest : ::testing::Test
{
    static testenv::TestDb* db;
    static void SetUpTestSuite()
    {
        db = new testenv::TestDb(QStringLiteral("app"));
        db->exec("insert into ledrana (por_cis, druh, ico, nazev, castka, zaplaceno) values "
                 "(10, 'FP', '1', 'A', 100, 100), (11, 'FV', '2', 'B', 200, 0), (12, 'FP', '3', 'C', 300, 0)");
    }
    static void TearDownTestSuite() { delete db; }
    void SetUp() override
    {
        MessageDialog::setAutoAnswer(true, 1);
        MessageDialog::takeShown();
    }
    void TearDown() override { MessageDialog::setAutoAnswer(false); }
};
testenv::TestDb* StartupTest::db = nullptr;

TEST_F(StartupTest, ConnectionSettingsFromTheSettingsFile)
{
    struct Case
    {
        const char* name;
        const char* ini; // nullptr: no file
        const char* host;
        int port;
        const char* user;
    } cases[] = {
        {"noini", nullptr, "localhost", 3306, "tolvarlinux"},
        {"nologon", "[Firma]\nNazev=X\n", "localhost", 3306, "tolvarlinux"},
        {"onlyip", "[logon]\nip=127.0.0.1\n", "127.0.0.1", 3306, "tolvarlinux"},
        {"badport", "[LogOn]\nIP=127.0.0.1\nSqlport=abc\nUser=karel\n", "127.0.0.1", 3306, "karel"},
    };
    for (const Case& c : cases) {
        const QString dir = freshDir(c.name);
        if (c.ini)
            writeFile(dir + "/ledrana.ini", QString::fromLatin1(c.ini));
        Tform3 form;
        form.show();
        const db::Settings& s = form.ZConnection1.settings();
        EXPECT_EQ(s.host, QLatin1String(c.host)) << c.name;
        EXPECT_EQ(s.port, c.port) << c.name;
        EXPECT_EQ(s.user, QLatin1String(c.user)) << c.name;
        EXPECT_EQ(s.database, QStringLiteral("ledrana")) << c.name;
        // Nothing listens there: one box from connecting, one from opening the list; then
        // an empty list, no window-level settings and no update check.
        const QStringList errors = errorsShown();
        ASSERT_EQ(errors.size(), 2) << c.name;
        for (const QString& e : errors)
            EXPECT_TRUE(e.startsWith("SQL chyba: ") || e == "Nezdařilo se připojení k SQL serveru") << e.toStdString();
        EXPECT_FALSE(form.ZQuery1.isOpen());
        EXPECT_EQ(form.listModel->rowCount(), 0);
        EXPECT_TRUE(form.Prvni_FP.isEmpty());
        EXPECT_FALSE(form.Timer1->isActive());
        form.close();
    }
}

TEST_F(StartupTest, NormalStartReadsWindowSettingsAndChecksForUpdatesOnce)
{
    struct Case
    {
        const char* jen;
        bool viewOnly;
    } cases[] = {{"ano", true}, {"ANO", false}, {"Ano", false}, {"ne", false}, {nullptr, false}};
    for (const Case& c : cases) {
        const QString dir = freshDir("normal");
        db->writeSettingsFile(dir, c.jen ? QStringLiteral("[Nastaveni]\nPrvni_FP=200000\nJen_cteni=%1\n").arg(c.jen)
                                         : QString());
        Tform3 form;
        form.show();
        EXPECT_TRUE(errorsShown().isEmpty());
        ASSERT_TRUE(form.ZQuery1.isOpen());
        EXPECT_EQ(form.ZQuery1.recordCount(), 3);
        EXPECT_EQ(form.ZQuery1.recNo(), 2); // on the last row
        EXPECT_EQ(form.Prvni_FP, c.jen ? "200000" : "150001");
        EXPECT_EQ(form.Prvni_FV, "150001");
        EXPECT_EQ(form.viewOnly(), c.viewOnly) << (c.jen ? c.jen : "missing");
        EXPECT_TRUE(form.Timer1->isActive());
        QTest::qWait(700);
        EXPECT_FALSE(form.Timer1->isActive()); // fired once and stopped
        form.close();
    }
}

TEST_F(StartupTest, LayoutAndPlacementSurviveARestart)
{
    const QString dir = freshDir("layout");
    db->writeSettingsFile(dir);
    {
        Tform3 form;
        form.show();
        QTest::qWait(10);
        // The user moves "firma" to the front and widens "IČO".
        form.RxDBGrid1->horizontalHeader()->moveSection(7, 0);
        form.RxDBGrid1->setColumnWidth(7, 155);
        form.setGeometry(40, 50, 900, 600);
        form.close();
    }
    ASSERT_TRUE(QFile::exists(dir + "/seznam.ini"));
    Tform3 form;
    form.show();
    EXPECT_TRUE(errorsShown().isEmpty());
    EXPECT_EQ(form.listModel->columns().at(0).field, QStringLiteral("NAZEV"));
    EXPECT_EQ(form.listModel->columns().at(7).field, QStringLiteral("ICO"));
    EXPECT_EQ(form.RxDBGrid1->columnWidth(7), 155);
    EXPECT_EQ(form.geometry().size(), QSize(900, 600));
    form.close();

    // A layout file that is not one: error box, then no window settings and no update check.
    writeFile(dir + "/seznam.ini", "garbage\n");
    Tform3 broken;
    broken.show();
    const QStringList errors = errorsShown();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains("seznam.ini"));
    EXPECT_TRUE(broken.ZQuery1.isOpen());
    EXPECT_TRUE(broken.Prvni_FP.isEmpty());
    EXPECT_FALSE(broken.Timer1->isActive());
    broken.close();
}

} // namespace
