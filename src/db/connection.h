#pragma once

#include "db/error.h"

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <functional>

struct st_mysql;
typedef struct st_mysql MYSQL;

namespace db {

struct Settings
{
    QString host = QStringLiteral("localhost");
    int port = 3306;
    QString user = QStringLiteral("tolvarlinux");
    QString password = QStringLiteral("4kwp860395");
    QString database = QStringLiteral("ledrana");
};

// The one shared connection of a workstation. Text goes to and from the server in cp1250
// over the compressed protocol; every statement commits on its own unless a transaction is
// open. Failures raise db::Error with the text the user sees.
class Connection final
{
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void setSettings(const Settings& settings) { m_settings = settings; }
    const Settings& settings() const { return m_settings; }

    void open();
    void close();
    bool isOpen() const { return m_mysql != nullptr; }
    // Opens the connection when it is not open (a connection that failed tries again).
    void ensureOpen();

    // Runs one statement and discards any result.
    void execute(const QString& sql);
    // Runs a script of statements, each ended by ';' at the end of a line; lines starting
    // with "--" are comments.
    void executeScript(const QString& script);
    // Runs one statement with '?' placeholders bound to values (QString, integers, double,
    // QDate, QDateTime, QByteArray as bytes, null QVariant as NULL). Bytes travel in chunks,
    // never through text escaping. Returns the affected row count.
    unsigned long long executeParams(const QString& sql, const QVariantList& params);
    // The first column of the first row, or a null QVariant when no row came back.
    QVariant scalar(const QString& sql);

    unsigned long long lastInsertId();
    unsigned long long affectedRows() const;
    // The server's max_allowed_packet in bytes.
    unsigned long long maxAllowedPacket();

    // Runs body inside a transaction and commits it. A deadlock or a certification conflict
    // of a cluster (error 1213, also at COMMIT) or a lock wait time-out (1205) rolls back and
    // runs body again, up to attempts times; other errors roll back and propagate.
    void transaction(const std::function<void()>& body, int attempts = 8);
    bool inTransaction() const { return m_inTransaction; }

    MYSQL* handle();
    [[noreturn]] void fail(const char* clientText, unsigned code);
    [[noreturn]] void failFromHandle();

    QByteArray encode(const QString& text) const;
    QString decode(const char* data, unsigned long size) const;

private:
    void query(const QByteArray& sql);
    void adjustSqlMode();

    Settings m_settings;
    MYSQL* m_mysql = nullptr;
    bool m_inTransaction = false;
};

} // namespace db
