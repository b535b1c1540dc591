#include "ftp/ftpclient.h"

#include "ftptestserver.h"
#include "testenv.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

// Every byte value, CR LF and lone LFs among them: a text-mode transfer would change it.
QByteArray binaryPayload()
{
    QByteArray data;
    for (int i = 0; i < 4096; ++i)
        data.append(char(i % 256));
    data.append("\r\nend\n");
    return data;
}

class FtpTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString name = QString::fromStdString(::testing::UnitTest::GetInstance()->current_test_info()->name())
                                 .replace(QLatin1Char('/'), QLatin1Char('_'));
        m_dir = testenv::tmpDir() + QLatin1Char('/') + name;
        QDir(m_dir).removeRecursively();
        m_root = m_dir + QStringLiteral("/root");
        m_local = m_dir + QStringLiteral("/local");
        QDir().mkpath(m_root);
        QDir().mkpath(m_local);
    }

    void configure(ftp::FtpClient& client, int port, bool passive = true)
    {
        client.setHost(QStringLiteral("127.0.0.1"));
        client.setPort(port);
        client.setUser(QString::fromLatin1(FtpTestServer::kUser));
        client.setPassword(QString::fromLatin1(FtpTestServer::kPassword));
        client.setPassive(passive);
        client.setLocalAddress(QStringLiteral("127.0.0.1"));
    }

    QString m_dir;
    QString m_root;
    QString m_local;
};

class FtpModeTest : public FtpTest, public ::testing::WithParamInterface<bool>
{
};

// One session walks through every step; each step's outcome is the server's answer to
// that step, and the connection survives the failing ones.
TEST_P(FtpModeTest, StepsReportTheirOwnOutcome)
{
    const QByteArray payload = binaryPayload();
    writeFile(m_root + QStringLiteral("/top.txt"), "top\r\n");
    writeFile(m_root + QStringLiteral("/tolvar/quibra/setup.bin"), payload);
    QDir().mkpath(m_root + QStringLiteral("/účty"));
    FtpTestServer server(m_root);
    ASSERT_NE(server.port(), 0);

    ftp::FtpClient client;
    configure(client, server.port(), GetParam());
    ASSERT_TRUE(client.connectToHost()) << client.errorText().toStdString();
    EXPECT_EQ(client.errorText(), QString());
    EXPECT_TRUE(client.isConnected());

    EXPECT_FALSE(client.changeDir(QStringLiteral("missing")));
    EXPECT_TRUE(client.errorText().startsWith(QLatin1String("550"))) << client.errorText().toStdString();
    // A failed directory change leaves the session where it was.
    EXPECT_TRUE(client.download(QStringLiteral("top.txt"), m_local + QStringLiteral("/top.txt")));
    EXPECT_EQ(readAll(m_local + QStringLiteral("/top.txt")), QByteArray("top\r\n"));

    EXPECT_FALSE(client.sendCommand(QStringLiteral("TYPE Q")));
    EXPECT_TRUE(client.errorText().startsWith(QLatin1Char('5'))) << client.errorText().toStdString();
    EXPECT_TRUE(client.sendCommand(QStringLiteral("TYPE I")));
    EXPECT_EQ(client.errorText(), QString());

    EXPECT_TRUE(client.changeDir(QStringLiteral("účty"))) << client.errorText().toStdString();
    EXPECT_TRUE(client.changeDir(QStringLiteral("../tolvar/quibra")));
    EXPECT_EQ(client.errorText(), QString());
    ASSERT_TRUE(client.download(QStringLiteral("setup.bin"), m_local + QStringLiteral("/setup.bin")))
        << client.errorText().toStdString();
    EXPECT_EQ(client.errorText(), QString());
    EXPECT_EQ(readAll(m_local + QStringLiteral("/setup.bin")), payload);

    // A failed download leaves neither an empty file nor a changed one under the real name.
    writeFile(m_local + QStringLiteral("/kept.ver"), "old");
    EXPECT_FALSE(client.download(QStringLiteral("absent.ver"), m_local + QStringLiteral("/absent.ver")));
    EXPECT_FALSE(client.download(QStringLiteral("absent.ver"), m_local + QStringLiteral("/kept.ver")));
    const QString failure = client.errorText();
    EXPECT_TRUE(failure.startsWith(QLatin1String("550"))) << failure.toStdString();
    EXPECT_FALSE(QFile::exists(m_local + QStringLiteral("/absent.ver")));
    EXPECT_EQ(readAll(m_local + QStringLiteral("/kept.ver")), QByteArray("old"));
    EXPECT_EQ(QDir(m_local).entryList(QDir::Files).size(), 3); // no temporary files left

    client.abort();
    EXPECT_FALSE(client.isConnected());
    EXPECT_EQ(client.errorText(), failure);
    EXPECT_FALSE(client.sendCommand(QStringLiteral("TYPE I")));
}

INSTANTIATE_TEST_SUITE_P(Modes, FtpModeTest, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "passive" : "active"; });

TEST_F(FtpTest, FailedConnectionsExplainThemselves)
{
    FtpTestServer server(m_root);
    ASSERT_NE(server.port(), 0);
    const int closedPort = 1; // nothing listens on loopback's port 1

    struct Case
    {
        const char* name;
        int port;
        QString password;
        QString localAddress;
        QString expectedPrefix; // empty: the client's own description
    };
    const Case cases[] = {
        {"wrong password", server.port(), QStringLiteral("wrong"), QStringLiteral("127.0.0.1"), QStringLiteral("530")},
        {"nobody listening", closedPort, QString::fromLatin1(FtpTestServer::kPassword), QString(), QString()},
        {"local address not on this machine", server.port(), QString::fromLatin1(FtpTestServer::kPassword),
         QStringLiteral("192.0.2.1"), QString()},
        {"port out of range", 70000, QString::fromLatin1(FtpTestServer::kPassword), QString(), QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ftp::FtpClient client;
        configure(client, c.port);
        client.setPassword(c.password);
        client.setLocalAddress(c.localAddress);
        EXPECT_FALSE(client.connectToHost());
        EXPECT_FALSE(client.isConnected());
        const QString text = client.errorText();
        ASSERT_FALSE(text.isEmpty());
        if (c.expectedPrefix.isEmpty())
            EXPECT_FALSE(text.at(0).isDigit()) << text.toStdString();
        else
            EXPECT_TRUE(text.startsWith(c.expectedPrefix)) << text.toStdString();
        EXPECT_FALSE(text.contains(QString::fromLatin1(FtpTestServer::kPassword)));
    }
}

// Once the server has closed the session, a step fails instead of running on a fresh login
// in another directory.
TEST_F(FtpTest, ClosedSessionIsNotQuietlyReplaced)
{
    writeFile(m_root + QStringLiteral("/top.txt"), "top");
    FtpTestServer server(m_root);
    ASSERT_NE(server.port(), 0);
    ftp::FtpClient client;
    configure(client, server.port());
    ASSERT_TRUE(client.connectToHost());
    client.sendCommand(QStringLiteral("QUIT"));
    EXPECT_FALSE(client.download(QStringLiteral("top.txt"), m_local + QStringLiteral("/top.txt")));
    EXPECT_FALSE(client.errorText().isEmpty());
    EXPECT_FALSE(client.isConnected());
    EXPECT_FALSE(QFile::exists(m_local + QStringLiteral("/top.txt")));
}

TEST_F(FtpTest, SilentServerTimesOutButTricklingTransferDoesNot)
{
    const QByteArray payload = binaryPayload(); // about eight chunks, 0.2 s apart
    writeFile(m_root + QStringLiteral("/stall.ver"), "x");
    writeFile(m_root + QStringLiteral("/slow.bin"), payload);
    FtpTestServer::Options options;
    options.stalledFiles << QStringLiteral("stall.ver");
    options.slow = true;
    FtpTestServer server(m_root, options);
    ASSERT_NE(server.port(), 0);

    ftp::FtpClient client;
    configure(client, server.port());
    client.setTimeoutMs(1000);
    ASSERT_TRUE(client.connectToHost()) << client.errorText().toStdString();

    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(client.download(QStringLiteral("slow.bin"), m_local + QStringLiteral("/slow.bin")))
        << client.errorText().toStdString();
    EXPECT_GT(clock.elapsed(), 1000); // longer than the time-out as a whole
    EXPECT_EQ(readAll(m_local + QStringLiteral("/slow.bin")), payload);

    clock.restart();
    EXPECT_FALSE(client.download(QStringLiteral("stall.ver"), m_local + QStringLiteral("/stall.ver")));
    EXPECT_EQ(client.errorText(), QStringLiteral("426 Timeout"));
    EXPECT_GE(clock.elapsed(), 1000);
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_FALSE(QFile::exists(m_local + QStringLiteral("/stall.ver")));
    client.abort();
    EXPECT_EQ(client.errorText(), QStringLiteral("426 Timeout"));
}

// While a step waits, queued events are handled; a quit request arriving that way ends the
// wait at once, and every later step fails straight away.
TEST_F(FtpTest, TerminatingApplicationEndsWaitAtOnce)
{
    writeFile(m_root + QStringLiteral("/stall.ver"), "x");
    FtpTestServer::Options options;
    options.stalledFiles << QStringLiteral("stall.ver");
    FtpTestServer server(m_root, options);
    ASSERT_NE(server.port(), 0);

    ftp::FtpClient client;
    configure(client, server.port());
    ASSERT_TRUE(client.connectToHost());

    struct Reset
    {
        ~Reset() { ftp::setApplicationTerminating(false); }
    } reset;
    QTimer::singleShot(100, [] { ftp::setApplicationTerminating(true); });
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(client.download(QStringLiteral("stall.ver"), m_local + QStringLiteral("/stall.ver")));
    EXPECT_EQ(client.errorText(), QStringLiteral("426 Timeout"));
    EXPECT_LT(clock.elapsed(), 5000);

    ftp::FtpClient later;
    configure(later, server.port());
    EXPECT_FALSE(later.connectToHost());
    EXPECT_EQ(later.errorText(), QStringLiteral("426 Timeout"));
}

} // namespace
