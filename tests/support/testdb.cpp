#include "testdb.h"

#include "testenv.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>

#include <atomic>
#include <stdexcept>

namespace testenv {

db::Settings TestDb::serverSettings()
{
    const QString dir = qEnvironmentVariable("LEDRANA_TEST_DB_DIR");
    QFile portFile(dir + QStringLiteral("/port"));
    if (dir.isEmpty() || !portFile.open(QIODevice::ReadOnly))
        throw std::runtime_error("the test database server is not running (LEDRANA_TEST_DB_DIR/port missing)");
    db::Settings s;
    s.host = QStringLiteral("127.0.0.1");
    s.port = QString::fromLatin1(portFile.readAll()).trimmed().toInt();
    s.user = QStringLiteral("root");
    s.password = QString();
    s.database = QString();
    return s;
}

TestDb::TestDb(const QString& prefix)
{
    static std::atomic<int> counter{0};
    m_settings = serverSettings();
    const QString name = QStringLiteral("%1_%2_%3").arg(prefix).arg(QCoreApplication::applicationPid()).arg(counter++);
    {
        db::Connection server;
        server.setSettings(m_settings);
        server.open();
        server.execute(QStringLiteral("DROP DATABASE IF EXISTS `%1`").arg(name));
        server.execute(QStringLiteral("CREATE DATABASE `%1` CHARACTER SET utf8mb4 COLLATE utf8mb4_czech_ci").arg(name));
    }
    m_settings.database = name;
    m_admin.setSettings(m_settings);
    m_admin.open();
    QFile schema(sourceDir() + QStringLiteral("/sql/schema.sql"));
    if (!schema.open(QIODevice::ReadOnly))
        throw std::runtime_error("sql/schema.sql not found");
    m_admin.executeScript(QString::fromUtf8(schema.readAll()));
}

TestDb::~TestDb()
{
    try {
        m_admin.execute(QStringLiteral("DROP DATABASE IF EXISTS `%1`").arg(m_settings.database));
    } catch (...) {
    }
}

void TestDb::writeSettingsFile(const QString& dir, const QString& extra) const
{
    QFile f(dir + QStringLiteral("/ledrana.ini"));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("cannot write ledrana.ini");
    const QString text = QStringLiteral("[LogOn]\nIP=%1\nSqlport=%2\nUser=%3\nPassword=%4\nDatabase=%5\nFTP=\n")
                             .arg(m_settings.host)
                             .arg(m_settings.port)
                             .arg(m_settings.user, m_settings.password, m_settings.database) +
                         extra;
    f.write(text.toUtf8());
}

void TestDb::clear()
{
    exec(QStringLiteral("DELETE FROM dokladya"));
    exec(QStringLiteral("DELETE FROM ledrana"));
}

} // namespace testenv
