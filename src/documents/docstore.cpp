#include "documents/docstore.h"

#include "app/guard.h"
#include "db/sqltext.h"

#include <QFile>

namespace documents {
namespace {

// Sets the work query's text, runs it as a statement and empties the text again.
void executeLines(db::Dataset& work, const QStringList& lines)
{
    work.close();
    work.sql() = lines;
    work.execute();
    work.sql().clear();
}

// The register number as a bare number for statement text; an unnumbered invoice gives 0.
QString bareNumber(const QString& porCis)
{
    bool ok = false;
    const long long n = porCis.trimmed().toLongLong(&ok);
    return QString::number(ok ? n : 0);
}

} // namespace

Presence findPresent(db::Dataset& query, const Invoice& invoice)
{
    Presence present{};
    query.close();
    query.sql() = QStringList{QStringLiteral("select id, typ from dokladya where ico = ") + db::quote(invoice.ico),
                              QStringLiteral("and por_cis = ") + db::quote(invoice.porCis)};
    query.open();
    for (query.first(); !query.eof(); query.next()) {
        const long long typ = query.asInt(QStringLiteral("typ"));
        if (typ >= kFirstType && typ <= kLastType)
            present[std::size_t(typ)] = true;
    }
    query.close();
    return present;
}

QByteArray readDocumentFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw app::FileError(QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()));
    QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw app::FileError(QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()));
    return content;
}

void writeDocumentFile(const QString& path, const char* data, qsizetype size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw app::FileError(QStringLiteral("Cannot create file \"%1\". %2").arg(path, file.errorString()));
    if ((size > 0 && file.write(data, size) != size) || !file.flush())
        throw app::FileError(QStringLiteral("Cannot create file \"%1\". %2").arg(path, file.errorString()));
}

void checkDocumentSize(db::Connection& connection, qint64 size)
{
    // Room for the statement around the content when it travels in one packet.
    constexpr unsigned long long kHeadroom = 1024;
    const unsigned long long limit = connection.maxAllowedPacket();
    if (size >= 0 && static_cast<unsigned long long>(size) + kHeadroom <= limit)
        return;
    throw app::UserError(QStringLiteral("Nelze uložit dokument - má %1 bajtů, nastavení databázového serveru "
                                        "max_allowed_packet je jen %2 bajtů. Doklad neuložen.")
                             .arg(size)
                             .arg(limit));
}

void storeDocument(db::Dataset& work, const Invoice& invoice, const DocumentRow& row, const QString& file)
{
    db::Connection& connection = work.connection();
    const QByteArray content = readDocumentFile(file);
    checkDocumentSize(connection, content.size());

    // A scratch table of this connection only: another workstation storing at the same moment
    // has its own. LIKE works also where CREATE TABLE ... SELECT is refused.
    executeLines(work, {QStringLiteral("drop temporary table if exists _doklad")});
    executeLines(work, {QStringLiteral("create temporary table _doklad like dokladya")});

    QStringList columns{QStringLiteral("id"), QStringLiteral("ico"), QStringLiteral("typ"), QStringLiteral("popis"),
                        QStringLiteral("cislodokladu")};
    QStringList values{QStringLiteral("0"), db::quote(invoice.ico), QString::number(row.typ), db::quote(row.popis),
                       db::quote(row.cislodokladu)};
    if (row.objednavka) {
        columns << QStringLiteral("objednavka");
        values << db::quote(*row.objednavka);
    }
    columns << QStringLiteral("por_cis") << QStringLiteral("obsah");
    values << bareNumber(invoice.porCis) << QStringLiteral("?");
    connection.executeParams(QStringLiteral("insert into _doklad (") + columns.join(QStringLiteral(", ")) +
                                 QStringLiteral(") value (") + values.join(QStringLiteral(", ")) + QLatin1Char(')'),
                             {content});
    // The scratch copy took a number of its own; 0 lets dokladya number the row.
    executeLines(work, {QStringLiteral("update _doklad set id = 0")});

    // The earlier documents go only together with the arrival of the new one.
    connection.transaction([&] {
        executeLines(work, {QStringLiteral("delete from dokladya where typ = ") + QString::number(row.typ),
                            QStringLiteral("and ico = ") + db::quote(invoice.ico) + QStringLiteral(" and por_cis = "),
                            bareNumber(invoice.porCis)});
        executeLines(work, {QStringLiteral("insert into dokladya select * from _doklad")});
    });
}

QString writeStoredDocument(db::Dataset& work, const Invoice& invoice, int typ, const QString& stem)
{
    work.close();
    work.sql() = QStringList{QStringLiteral("select * from dokladya where typ = ") + QString::number(typ),
                             QStringLiteral("and ico = ") + db::quote(invoice.ico),
                             QStringLiteral("and por_cis = ") + db::quote(invoice.porCis)};
    work.open();
    const char* data = nullptr;
    unsigned long size = 0;
    if (!work.isEmpty())
        data = work.rawAt(0, work.requireField(QStringLiteral("obsah")), &size);
    if (!data)
        size = 0;
    const QString path = stem + viewingSuffix(data, qsizetype(size));
    QFile::remove(path); // one a viewer holds open makes the write below fail with its reason
    writeDocumentFile(path, data, qsizetype(size));
    // The content may be large: the rows are not kept once it is written.
    work.close();
    return path;
}

void deleteDocuments(db::Dataset& work, const Invoice& invoice, int typ)
{
    executeLines(work, {QStringLiteral("delete from dokladya where typ = ") + QString::number(typ),
                        QStringLiteral("and ico = ") + db::quote(invoice.ico),
                        QStringLiteral("and por_cis = ") + db::quote(invoice.porCis)});
    work.close();
}

QString viewingSuffix(const char* data, qsizetype size)
{
    if (size >= 3 && QByteArrayView(data, 3) == QByteArrayView("\xFF\xD8\xFF"))
        return QStringLiteral(".jpg");
    return QStringLiteral(".pdf");
}

} // namespace documents
