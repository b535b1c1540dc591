#include "update/updatecheck.h"

#include "base/cp1250.h"
#include "base/inifile.h"
#include "ftptestserver.h"
#include "update/novaver.h"
#include "update/ppracuji.h"
#include "updatetestenv.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

QString testName()
{
    return QString::fromStdString(::testing::UnitTest::GetInstance()->current_test_info()->name());
}

QString stampOf(const QDateTime& t)
{
    return t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

Tpracuji* busyWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* busy = qobject_cast<Tpracuji*>(w))
            return busy;
    }
    return nullptr;
}

// What the check asked of the main window.
struct Recorder
{
    QStringList shown;
    QStringList installer; // program, arguments..., command line
    int endings = 0;

    update::UpdateHooks hooks()
    {
        update::UpdateHooks h;
        h.showInformation = [this](const QString& text) { shown << text; };
        h.startInstaller = [this](const QString& program, const QStringList& arguments, const QString& commandLine) {
            installer << program << arguments << commandLine;
        };
        h.endProgram = [this] { ++endings; };
        return h;
    }
};

class UpdateCheckTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dirs = std::make_unique<UpdateTestDirs>(testName());
        m_dirs->publish(update::kInstallerFile, "#!/bin/sh\n");
        m_server = std::make_unique<FtpTestServer>(m_dirs->serverRoot());
        ASSERT_NE(m_server->port(), 0);
        m_iniPath = m_dirs->programDir() + QStringLiteral("ledrana.ini");
    }

    void TearDown() override
    {
        m_server.reset();
        m_dirs.reset();
    }

    // A settings file pointing at the test server.
    base::IniFile settings()
    {
        QFile f(m_iniPath);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QStringLiteral("[LogOn]\r\nFTP=127.0.0.1\r\nFTPport=%1\r\n").arg(m_server->port()).toUtf8());
        f.close();
        return base::IniFile(m_iniPath);
    }

    void publishStamp(int secondsFromProgramTime)
    {
        m_dirs->publish(update::kVersionFile,
                        versionFileWith(stampOf(UpdateTestDirs::programTime().addSecs(secondsFromProgramTime))));
    }

    QString updateLog() const { return m_dirs->programDir() + QStringLiteral("../updlog/ledrana.log"); }
    QString ftpLog() const { return m_dirs->programDir() + QStringLiteral("../ftplog/vbrevik.log"); }

    std::unique_ptr<UpdateTestDirs> m_dirs;
    std::unique_ptr<FtpTestServer> m_server;
    QString m_iniPath;
};

// A newer version: one update log line, the announcement, the installer started from the
// working directory with the program directory, and the program ends.
TEST_F(UpdateCheckTest, NewerVersionIsLoggedAnnouncedAndInstalled)
{
    publishStamp(2);
    QDir().mkpath(QFileInfo(updateLog()).path());
    QFile old(updateLog());
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("01.02.2024 8:00:00 - NOV\xc1 VERZE programu: 0.9.0.0\r\n");
    old.close();

    bool sawBusyWindow = false;
    QTimer::singleShot(0, [&] {
        Tpracuji* busy = busyWindow();
        ASSERT_NE(busy, nullptr);
        sawBusyWindow = busy->isVisible();
        EXPECT_EQ(busy->text(), QStringLiteral("Kontrola na novou verzi"));
        EXPECT_EQ(busy->size(), QSize(211, 51));
        EXPECT_TRUE(busy->windowFlags().testFlag(Qt::FramelessWindowHint));
        EXPECT_TRUE(busy->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        EXPECT_EQ(busy->geometry().center(), busy->screen()->geometry().center());
        EXPECT_TRUE(busy->bar()->isRunning());
    });
    Recorder rec;
    EXPECT_EQ(update::runUpdateCheck(true, settings(), rec.hooks()), update::kNewer);

    EXPECT_TRUE(sawBusyWindow);
    EXPECT_EQ(busyWindow(), nullptr);
    const QStringList log = crlfLines(readFile(updateLog()));
    ASSERT_EQ(log.size(), 2);
    EXPECT_EQ(log.at(0), QStringLiteral("01.02.2024 8:00:00 - NOVÁ VERZE programu: 0.9.0.0"));
    const QString today = QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"));
    EXPECT_TRUE(log.at(1).startsWith(today + QLatin1Char(' '))) << log.at(1).toStdString();
    EXPECT_TRUE(log.at(1).endsWith(QStringLiteral(" - NOVÁ VERZE programu: -1.0.0.0"))) << log.at(1).toStdString();

    EXPECT_EQ(rec.shown,
              QStringList{QStringLiteral("Nyní bude aktualizován program Ledrana.\nNutný restart programu!")});
    const QString installer = m_dirs->workDir() + QStringLiteral("/setupledrana.exe");
    EXPECT_EQ(rec.installer,
              QStringList({installer, QStringLiteral("/DIR=") + m_dirs->programDir(),
                           QStringLiteral("setupledrana.exe /DIR=\"") + m_dirs->programDir() + QLatin1Char('"')}));
    EXPECT_TRUE(m_dirs->programDir().endsWith(QLatin1Char('/')));
    EXPECT_TRUE(QFileInfo(installer).isExecutable());
    EXPECT_EQ(rec.endings, 1);
}

// Without a newer version only a check the user asked for says so; nothing is logged as an
// update and nothing is started. The passive setting takes exactly "True".
TEST_F(UpdateCheckTest, NoNewerVersion)
{
    const QString none = QStringLiteral("Nebyla nalezena novější verze programu!");
    struct Case
    {
        const char* name;
        bool quiet;
        int stampOffset;
        QString extraSettings;
        QString expected;
        QStringList shown;
        QString passiveLine; // empty: no FTP log written
    };
    const Case cases[] = {
        {"quiet, equal stamp", true, 0, QString(), update::kNotNewer, {}, QStringLiteral("true")},
        {"asked, older stamp",
         false,
         -86400,
         QStringLiteral("FTPpassive=True\r\n"),
         update::kNotNewer,
         {none},
         QStringLiteral("true")},
        {"asked, wrong password",
         false,
         2,
         QStringLiteral("FTPpassword=x\r\n"),
         update::kFailed,
         {none},
         QStringLiteral("true")},
        {"quiet, server unreachable",
         true,
         2,
         QStringLiteral("FTPport=1\r\n"),
         update::kFailed,
         {},
         QStringLiteral("true")},
        {"passive written in lower case means active",
         true,
         0,
         QStringLiteral("FTPpassive=true\r\n"),
         update::kNotNewer,
         {},
         QStringLiteral("false")},
        {"no update host: no check", true, 2, QStringLiteral("FTP=\r\n"), update::kNotNewer, {}, QString()},
        {"asked, no update host", false, 2, QStringLiteral("FTP=\r\n"), update::kNotNewer, {none}, QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        publishStamp(c.stampOffset);
        QFile::remove(ftpLog());
        base::IniFile ini = settings();
        for (const QString& line : c.extraSettings.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
            ini.setValue(QStringLiteral("LogOn"), line.section(QLatin1Char('='), 0, 0),
                         line.section(QLatin1Char('='), 1));
        Recorder rec;
        EXPECT_EQ(update::runUpdateCheck(c.quiet, ini, rec.hooks()), c.expected);
        EXPECT_EQ(rec.shown, c.shown);
        EXPECT_TRUE(rec.installer.isEmpty());
        EXPECT_EQ(rec.endings, 0);
        EXPECT_FALSE(QFile::exists(updateLog()));
        EXPECT_EQ(busyWindow(), nullptr);
        const QStringList ftp = crlfLines(readFile(ftpLog()));
        if (c.passiveLine.isEmpty()) {
            EXPECT_TRUE(ftp.isEmpty());
        } else {
            ASSERT_GE(ftp.size(), 9);
            EXPECT_EQ(ftp.at(6), c.passiveLine);
        }
    }
}

// A log that cannot be written ends the check with an error for the error box, and the
// busy window is gone all the same.
TEST_F(UpdateCheckTest, UnwritableLogRaisesAndReleasesBusyWindow)
{
    publishStamp(2);
    QDir().mkpath(m_dirs->programDir() + QStringLiteral("verze.log")); // a directory in the way
    Recorder rec;
    EXPECT_THROW(update::runUpdateCheck(true, settings(), rec.hooks()), update::UpdateError);
    EXPECT_EQ(busyWindow(), nullptr);
    EXPECT_TRUE(rec.installer.isEmpty());
    EXPECT_EQ(rec.endings, 0);
}

TEST(BusyWindow, BarRunsOnlyWhileShown)
{
    Tpracuji busy;
    busy.show();
    EXPECT_TRUE(busy.bar()->isRunning());
    const int before = busy.bar()->blockPosition();
    QTest::qWait(60);
    EXPECT_NE(busy.bar()->blockPosition(), before);
    busy.hide();
    EXPECT_FALSE(busy.bar()->isRunning());
}

} // namespace
