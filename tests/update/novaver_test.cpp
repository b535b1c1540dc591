#include "update/novaver.h"

#include "base/formats.h"
#include "base/progdir.h"
#include "ftptestserver.h"
#include "update/ip_misc.h"
#include "updatetestenv.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#ifdef _WIN32
#include <winsock2.h>
#else
#include <arpa/inet.h>
#endif

namespace {

QString testName()
{
    return QString::fromStdString(::testing::UnitTest::GetInstance()->current_test_info()->name());
}

update::RetrievalSettings settingsFor(int port)
{
    update::RetrievalSettings s;
    s.host = QStringLiteral("127.0.0.1");
    s.port = QString::number(port);
    s.user = QString::fromLatin1(FtpTestServer::kUser);
    s.password = QString::fromLatin1(FtpTestServer::kPassword);
    s.directory = QStringLiteral("tolvar/quibra");
    s.versionFile = QStringLiteral("setupledrana.ver");
    s.installerFile = QStringLiteral("setupledrana.exe");
    s.passive = true;
    return s;
}

QString stampOf(const QDateTime& t)
{
    return t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// The published stamp against the program file's time decides; verze.log shows both stamps
// as they were read; only a run that found the program file switches the date format.
TEST(VersionRetrieval, PublishedStampAgainstProgramFile)
{
    UpdateTestDirs dirs(testName());
    dirs.publish(QStringLiteral("setupledrana.exe"), "installer");
    FtpTestServer server(dirs.serverRoot());
    ASSERT_NE(server.port(), 0);
    const QDateTime t = UpdateTestDirs::programTime();
    const QString local = stampOf(t);

    struct Case
    {
        const char* name;
        QByteArray versionFile;
        bool programFileExists;
        QString expected;
        QString loggedServerStamp;
    };
    const Case cases[] = {
        {"two seconds newer", versionFileWith(stampOf(t.addSecs(2))), true, update::kNewer, stampOf(t.addSecs(2))},
        {"equal", versionFileWith(local), true, update::kNotNewer, local},
        {"one day older", versionFileWith(stampOf(t.addDays(-1))), true, update::kNotNewer, stampOf(t.addDays(-1))},
        {"longer field cut to 19", versionFileWith(local + QStringLiteral(".999 build 7")), true, update::kNotNewer,
         local},
        {"month without leading zero", versionFileWith(QStringLiteral("2024-3-01 00:00:00")), true, update::kNewer,
         QStringLiteral("2024-3-01 00:00:00")},
        {"second line without stamp field", "Ledrana\nsetupledrana.exe\t1.0.0.2\n", true, update::kNotNewer, QString()},
        {"program file missing", versionFileWith(stampOf(t.addDays(-1000))), false, update::kNewer,
         stampOf(t.addDays(-1000))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dirs.publish(QStringLiteral("setupledrana.ver"), c.versionFile);
        QFile::remove(dirs.workDir() + QStringLiteral("/setupledrana.exe"));
        if (!c.programFileExists)
            QFile::rename(dirs.programFile(), dirs.programFile() + QStringLiteral(".away"));
        base::setShortDateFormat(QStringLiteral("yyyy/MM/dd"));

        EXPECT_EQ(update::retrieveVersion(settingsFor(server.port())), c.expected);

        const QString loggedLocal = c.programFileExists ? local : QString();
        EXPECT_EQ(crlfLines(readFile(dirs.programDir() + QStringLiteral("verze.log"))),
                  QStringList({QStringLiteral("Verze programu: ") + loggedLocal,
                               QStringLiteral("Verze internet: ") + c.loggedServerStamp}));
        EXPECT_EQ(readFile(dirs.workDir() + QStringLiteral("/setupledrana.ver")), c.versionFile);
        EXPECT_EQ(QFile::exists(dirs.workDir() + QStringLiteral("/setupledrana.exe")), c.expected == update::kNewer);
        EXPECT_EQ(base::formatShortDate(QDate(2025, 1, 2)),
                  c.programFileExists ? QStringLiteral("02.01.2025") : QStringLiteral("2025/01/02"));
        if (!c.programFileExists)
            QFile::rename(dirs.programFile() + QStringLiteral(".away"), dirs.programFile());
    }
}

// The FTP log: the seven settings, then one line per step that ran; rewritten every run,
// CR LF, never the password.
TEST(VersionRetrieval, FtpLogFollowsTheSteps)
{
    UpdateTestDirs dirs(testName());
    FtpTestServer::Options options;
    options.stalledFiles << QStringLiteral("stalled.ver");
    FtpTestServer server(dirs.serverRoot(), options);
    ASSERT_NE(server.port(), 0);
    const QDateTime t = UpdateTestDirs::programTime();
    const QByteArray notNewer = versionFileWith(stampOf(t));
    const QByteArray newer = versionFileWith(stampOf(t.addSecs(2)));
    dirs.publish(QStringLiteral("stalled.ver"), notNewer);

    struct Case
    {
        const char* name;
        bool rightPassword;
        bool passive;
        const char* versionFile;
        QByteArray published; // empty: leave the version file as it is
        bool installerPublished;
        QString expected;
        bool versionRead;      // verze.log written
        QStringList stepLines; // "" must be empty, otherwise the line's beginning
    };
    const QString e; // an empty step line
    const QString refused = QStringLiteral("550");
    const QString timeout = QStringLiteral("426 Timeout");
    // clang-format off
    const Case cases[] = {
        {"failed login", false, true, "setupledrana.ver", notNewer, true, update::kFailed, false,
         {QStringLiteral("530"), QStringLiteral("530")}},
        {"not newer, passive", true, true, "setupledrana.ver", notNewer, true, update::kNotNewer, true, {e, e, e, e, e}},
        {"not newer, active", true, false, "setupledrana.ver", notNewer, true, update::kNotNewer, true, {e, e, e, e, e}},
        {"newer", true, true, "setupledrana.ver", newer, true, update::kNewer, true, {e, e, e, e, e, e}},
        {"installer download fails", true, true, "setupledrana.ver", newer, false, update::kFailed, true,
         {e, e, e, e, refused, refused}},
        {"version file of one line", true, true, "setupledrana.ver", "Ledrana\r\n", false, update::kFailed, true,
         {e, e, e, e, e}},
        {"version file missing", true, true, "chybi.ver", QByteArray(), false, update::kFailed, false,
         {e, e, e, refused, refused}},
        {"server stops answering", true, true, "stalled.ver", QByteArray(), false, update::kFailed, false,
         {e, e, e, timeout, timeout}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.published.isEmpty())
            dirs.publish(QStringLiteral("setupledrana.ver"), c.published);
        if (c.installerPublished)
            dirs.publish(QStringLiteral("setupledrana.exe"), "installer");
        else
            dirs.unpublish(QStringLiteral("setupledrana.exe"));
        QFile::remove(dirs.programDir() + QStringLiteral("verze.log"));
        update::RetrievalSettings s = settingsFor(server.port());
        if (!c.rightPassword)
            s.password = QStringLiteral("nesprávné");
        s.passive = c.passive;
        s.versionFile = QString::fromLatin1(c.versionFile);
        // A short time-out only where the server falls silent; elsewhere a busy machine must not trip it.
        s.timeoutMs = qstrcmp(c.versionFile, "stalled.ver") == 0 ? 600 : 30000;

        EXPECT_EQ(update::retrieveVersion(s), c.expected);
        EXPECT_EQ(crlfLines(readFile(dirs.programDir() + QStringLiteral("verze.log"))).size(), c.versionRead ? 2 : 0);

        const QByteArray raw = readFile(dirs.programDir() + QStringLiteral("../ftplog/vbrevik.log"));
        const QStringList lines = crlfLines(raw);
        ASSERT_EQ(lines.size(), 7 + c.stepLines.size()) << raw.toStdString();
        EXPECT_EQ(lines.mid(0, 7), QStringList({s.host, s.port, s.user, s.directory, s.versionFile, s.installerFile,
                                                c.passive ? QStringLiteral("true") : QStringLiteral("false")}));
        for (qsizetype i = 0; i < c.stepLines.size(); ++i) {
            const QString& line = lines.at(7 + i);
            if (c.stepLines.at(i).isEmpty())
                EXPECT_EQ(line, QString()) << "line " << 8 + i;
            else
                EXPECT_TRUE(line.startsWith(c.stepLines.at(i))) << "line " << 8 + i << ": " << line.toStdString();
        }
        EXPECT_FALSE(raw.contains(s.password.toUtf8()));
        EXPECT_FALSE(raw.contains(QByteArray(FtpTestServer::kPassword)));
    }
}

TEST(ProgramFileVersion, ReadFromTheFileItself)
{
    UpdateTestDirs dirs(testName());
    const QString self = QCoreApplication::applicationFilePath();
    const QString built = QStringLiteral(LEDRANA_EXPECTED_VERSION);
    struct Case
    {
        const char* name;
        QString fileName;
        QString expected;
    };
    const Case cases[] = {
        {"a build of this project", self, built},
        {"name cut at NUL and trimmed", QStringLiteral("  ") + self + QChar(0) + QStringLiteral("rest "), built},
        {"file without version", dirs.programFile(), QStringLiteral("-1.0.0.0")},
        {"no such file", dirs.programDir() + QStringLiteral("nic.exe"), QStringLiteral("-1.0.0.0")},
        {"empty name is the program file", QString(), QStringLiteral("-1.0.0.0")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(update::versionText(update::fileVersion(c.fileName)), c.expected);
    }
    base::setProgramDirForTests(dirs.programDir(), self);
    EXPECT_EQ(update::versionText(update::fileVersion()), built);
}

TEST(MakeDirectory, CreatesMissingParents)
{
    UpdateTestDirs dirs(testName());
    const QString base = dirs.programDir();
    QFile file(base + QStringLiteral("soubor"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    struct Case
    {
        const char* name;
        QString path;
        bool expected;
    };
    const Case cases[] = {
        {"nested, relative to the program directory", base + QStringLiteral("../updlog/a/b"), true},
        {"trailing separator", base + QStringLiteral("c/d/"), true},
        {"already there", base, true},
        {"root", QStringLiteral("/"), true},
        {"empty", QString(), false},
        {"under a file", base + QStringLiteral("soubor/x"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(update::makeDirectory(c.path), c.expected);
        if (c.expected) {
            EXPECT_TRUE(QFileInfo(QDir::cleanPath(c.path)).isDir());
        }
    }
}

TEST(IpMisc, DottedAddress)
{
    struct Case
    {
        quint32 hostOrder;
        const char* expected;
    };
    const Case cases[] = {
        {0x7F000001u, "127.0.0.1"},
        {0x0A00C807u, "10.0.200.7"},
        {0xFFFFFFFFu, "255.255.255.255"},
        {0u, "0.0.0.0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(update::dottedAddress(htonl(c.hostOrder)), QString::fromLatin1(c.expected));
    }
    // Connections are bound only to an address that reaches other machines.
    EXPECT_EQ(update::bindableAddress(htonl(0x0A00C807u)), QStringLiteral("10.0.200.7"));
    EXPECT_EQ(update::bindableAddress(htonl(0x7F000101u)), QString());
    EXPECT_EQ(update::bindableAddress(htonl(0xFFFFFFFFu)), QString());
    // This machine's own name resolves to one of its addresses.
    EXPECT_NE(update::localHostAddress(), 0xFFFFFFFFu);
}

} // namespace
