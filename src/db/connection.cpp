#include "db/connection.h"

#include "base/cp1250.h"

#include <QDate>
#include <QDateTime>
#include <QStringList>
#include <QThread>

#include <mysql.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace db {
namespace {

constexpr unsigned kDeadlock = 1213;
constexpr unsigned kLockWaitTimeout = 1205;

// sql_mode flags that make the server reject this system's statements: GROUP BY with
// non-aggregated columns, double-quoted literals, backslash escapes in literals.
const QStringList kModesToDrop = {QStringLiteral("ONLY_FULL_GROUP_BY"), QStringLiteral("ANSI_QUOTES"),
                                  QStringLiteral("NO_BACKSLASH_ESCAPES"), QStringLiteral("ANSI")};

} // namespace

Connection::Connection() = default;

Connection::~Connection()
{
    close();
}

void Connection::fail(const char* clientText, unsigned code)
{
    const QString text =
        clientText && *clientText ? base::fromCp1250(clientText, qsizetype(std::strlen(clientText))) : QString();
    if (text.isEmpty())
        throw Error(QStringLiteral("Nezdařilo se připojení k SQL serveru"), code);
    throw Error(QStringLiteral("SQL chyba: ") + text, code);
}

void Connection::failFromHandle()
{
    fail(mysql_error(m_mysql), mysql_errno(m_mysql));
}

void Connection::open()
{
    if (m_mysql)
        return;
    MYSQL* my = mysql_init(nullptr);
    if (!my)
        fail(nullptr, 0);
    const unsigned int protocol = MYSQL_PROTOCOL_TCP;
    mysql_options(my, MYSQL_OPT_PROTOCOL, &protocol);
    mysql_options(my, MYSQL_OPT_COMPRESS, nullptr);
    mysql_options(my, MYSQL_SET_CHARSET_NAME, "cp1250");
    const unsigned int timeout = 10;
    mysql_options(my, MYSQL_OPT_CONNECT_TIMEOUT, &timeout);
    const unsigned long packet = 1024UL * 1024UL * 1024UL;
    mysql_optionsv(my, MYSQL_OPT_MAX_ALLOWED_PACKET, &packet);

    const QByteArray host = m_settings.host.toUtf8();
    const QByteArray user = encode(m_settings.user);
    const QByteArray password = encode(m_settings.password);
    const QByteArray database = encode(m_settings.database);
    const unsigned port = m_settings.port > 0 ? unsigned(m_settings.port) : 3306;
    if (!mysql_real_connect(my, host.constData(), user.constData(), password.constData(),
                            database.isEmpty() ? nullptr : database.constData(), port, nullptr, 0)) {
        const std::string text = mysql_error(my);
        const unsigned code = mysql_errno(my);
        mysql_close(my);
        fail(text.c_str(), code);
    }
    m_mysql = my;
    try {
        query("SET CHARACTER SET cp1250");
        adjustSqlMode();
        // The list query groups in an internal temporary table: let it stay in memory for a
        // big register instead of spilling to disk (this session only).
        query("SET SESSION tmp_table_size = GREATEST(@@tmp_table_size, 268435456), "
              "max_heap_table_size = GREATEST(@@max_heap_table_size, 268435456)");
    } catch (...) {
        close();
        throw;
    }
}

void Connection::adjustSqlMode()
{
    const QString mode = scalar(QStringLiteral("SELECT @@SESSION.sql_mode")).toString();
    QStringList kept;
    for (const QString& flag : mode.split(QLatin1Char(','), Qt::SkipEmptyParts))
        if (!kModesToDrop.contains(flag.trimmed(), Qt::CaseInsensitive))
            kept << flag.trimmed();
    const QString wanted = kept.join(QLatin1Char(','));
    if (wanted != mode)
        query("SET SESSION sql_mode = '" + wanted.toLatin1() + "'");
}

void Connection::close()
{
    if (m_mysql) {
        mysql_close(m_mysql);
        m_mysql = nullptr;
    }
    m_inTransaction = false;
}

void Connection::ensureOpen()
{
    if (!m_mysql)
        open();
}

MYSQL* Connection::handle()
{
    ensureOpen();
    return m_mysql;
}

QByteArray Connection::encode(const QString& text) const
{
    return base::toCp1250(text);
}

QString Connection::decode(const char* data, unsigned long size) const
{
    return base::fromCp1250(data, qsizetype(size));
}

void Connection::query(const QByteArray& sql)
{
    MYSQL* my = handle();
    if (mysql_real_query(my, sql.constData(), sql.size()) != 0)
        failFromHandle();
}

void Connection::execute(const QString& sql)
{
    query(encode(sql));
    MYSQL* my = m_mysql;
    // Drain whatever the statement returned so the connection is ready for the next one.
    do {
        if (MYSQL_RES* res = mysql_store_result(my))
            mysql_free_result(res);
        else if (mysql_field_count(my) != 0)
            failFromHandle();
    } while (mysql_next_result(my) == 0);
}

void Connection::executeScript(const QString& script)
{
    QString statement;
    for (const QString& line : script.split(QLatin1Char('\n'))) {
        if (line.trimmed().startsWith(QLatin1String("--")))
            continue;
        statement += line + QLatin1Char('\n');
        if (line.trimmed().endsWith(QLatin1Char(';'))) {
            execute(statement.trimmed().chopped(1));
            statement.clear();
        }
    }
    if (!statement.trimmed().isEmpty())
        execute(statement.trimmed());
}

QVariant Connection::scalar(const QString& sql)
{
    query(encode(sql));
    MYSQL_RES* res = mysql_store_result(m_mysql);
    if (!res) {
        if (mysql_field_count(m_mysql) != 0)
            failFromHandle();
        return {};
    }
    QVariant out;
    if (MYSQL_ROW row = mysql_fetch_row(res); row && row[0]) {
        const unsigned long* lengths = mysql_fetch_lengths(res);
        out = decode(row[0], lengths[0]);
    }
    mysql_free_result(res);
    return out;
}

unsigned long long Connection::lastInsertId()
{
    return scalar(QStringLiteral("select last_insert_id()")).toULongLong();
}

unsigned long long Connection::affectedRows() const
{
    return m_mysql ? mysql_affected_rows(m_mysql) : 0;
}

unsigned long long Connection::maxAllowedPacket()
{
    return scalar(QStringLiteral("SELECT @@max_allowed_packet")).toULongLong();
}

unsigned long long Connection::executeParams(const QString& sql, const QVariantList& params)
{
    MYSQL* my = handle();
    std::unique_ptr<MYSQL_STMT, decltype(&mysql_stmt_close)> stmt(mysql_stmt_init(my), &mysql_stmt_close);
    if (!stmt)
        failFromHandle();
    const QByteArray text = encode(sql);
    if (mysql_stmt_prepare(stmt.get(), text.constData(), text.size()) != 0)
        fail(mysql_stmt_error(stmt.get()), mysql_stmt_errno(stmt.get()));
    if (mysql_stmt_param_count(stmt.get()) != unsigned(params.size()))
        throw Error(QStringLiteral("SQL chyba: počet parametrů neodpovídá příkazu"));

    std::vector<MYSQL_BIND> binds(params.size());
    std::vector<QByteArray> buffers(params.size());
    std::vector<long long> ints(params.size());
    std::vector<double> doubles(params.size());
    std::vector<unsigned long> lengths(params.size());
    std::vector<int> longData;
    constexpr qsizetype kChunk = 1024 * 1024;
    for (qsizetype i = 0; i < params.size(); ++i) {
        MYSQL_BIND& b = binds[i];
        std::memset(&b, 0, sizeof b);
        const QVariant& v = params[i];
        if (v.isNull()) {
            b.buffer_type = MYSQL_TYPE_NULL;
            continue;
        }
        switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Long:
        case QMetaType::Bool:
            ints[i] = v.toLongLong();
            b.buffer_type = MYSQL_TYPE_LONGLONG;
            b.buffer = &ints[i];
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            doubles[i] = v.toDouble();
            b.buffer_type = MYSQL_TYPE_DOUBLE;
            b.buffer = &doubles[i];
            break;
        case QMetaType::QByteArray:
            buffers[i] = v.toByteArray();
            b.buffer_type = MYSQL_TYPE_LONG_BLOB;
            if (buffers[i].size() > kChunk) {
                longData.push_back(int(i));
            } else {
                lengths[i] = buffers[i].size();
                b.buffer = buffers[i].data();
                b.buffer_length = lengths[i];
                b.length = &lengths[i];
            }
            break;
        case QMetaType::QDate:
            buffers[i] = v.toDate().toString(QStringLiteral("yyyy-MM-dd")).toLatin1();
            goto asString;
        case QMetaType::QDateTime:
            buffers[i] = v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toLatin1();
            goto asString;
        default:
            buffers[i] = encode(v.toString());
        asString:
            lengths[i] = buffers[i].size();
            b.buffer_type = MYSQL_TYPE_STRING;
            b.buffer = buffers[i].data();
            b.buffer_length = lengths[i];
            b.length = &lengths[i];
        }
    }
    if (!binds.empty() && mysql_stmt_bind_param(stmt.get(), binds.data()) != 0)
        fail(mysql_stmt_error(stmt.get()), mysql_stmt_errno(stmt.get()));
    for (int i : longData) {
        const QByteArray& data = buffers[i];
        for (qsizetype at = 0; at < data.size(); at += kChunk) {
            const qsizetype n = std::min(kChunk, data.size() - at);
            if (mysql_stmt_send_long_data(stmt.get(), unsigned(i), data.constData() + at,
                                          static_cast<unsigned long>(n)) != 0)
                fail(mysql_stmt_error(stmt.get()), mysql_stmt_errno(stmt.get()));
        }
    }
    if (mysql_stmt_execute(stmt.get()) != 0)
        fail(mysql_stmt_error(stmt.get()), mysql_stmt_errno(stmt.get()));
    return mysql_stmt_affected_rows(stmt.get());
}

void Connection::transaction(const std::function<void()>& body, int attempts)
{
    for (int attempt = 1;; ++attempt) {
        query("START TRANSACTION");
        m_inTransaction = true;
        try {
            body();
            query("COMMIT");
            m_inTransaction = false;
            return;
        } catch (const Error& e) {
            m_inTransaction = false;
            if (m_mysql)
                mysql_real_query(m_mysql, "ROLLBACK", 8);
            const bool retry = e.code() == kDeadlock || e.code() == kLockWaitTimeout;
            if (!retry || attempt >= attempts)
                throw;
            QThread::msleep(5 * attempt);
        } catch (...) {
            m_inTransaction = false;
            if (m_mysql)
                mysql_real_query(m_mysql, "ROLLBACK", 8);
            throw;
        }
    }
}

} // namespace db
