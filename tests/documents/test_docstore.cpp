// The document store against a real server: presence, the store through `_doklad`, loading back,
// deleting, large documents and the server's packet limit.
#include "app/guard.h"
#include "db/dataset.h"
#include "db/sqltext.h"
#include "documents/docstore.h"
#include "testdb.h"
#include "testenv.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <thread>

using documents::Invoice;

namespace {

// Values with quotes and a backslash: they must be stored and found, not break a statement.
const Invoice kInvoice{QStringLiteral("25\"59'6\\41"), QStringLiteral("2600001"), QStringLiteral("FA\"26\\01")};

QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator random(seed);
    random.fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    for (qsizetype i = size / 4 * 4; i < size; ++i)
        bytes[i] = char(random.generate());
    return bytes;
}

QString writeFile(const QString& name, const QByteArray& content)
{
    const QString path = testenv::tmpDir() + QLatin1Char('/') + name;
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(content);
    return path;
}

struct DocStoreTest : ::testing::Test
{
    static testenv::TestDb* db;
    static void SetUpTestSuite() { db = new testenv::TestDb(QStringLiteral("docstore")); }
    static void TearDownTestSuite() { delete db; }
    void SetUp() override
    {
        db->clear();
        connection.setSettings(db->settings());
        connection.open();
    }

    // A row written by something else than the store.
    void addRow(const Invoice& invoice, int typ, const QByteArray& content)
    {
        connection.executeParams(QStringLiteral("insert into dokladya (ico, typ, popis, por_cis, obsah) values (?, ?, "
                                                "'jinde', ?, ?)"),
                                 {invoice.ico, typ, invoice.porCis.toLongLong(), content});
    }
    // The contents of the invoice's documents of typ, in row order.
    QList<QByteArray> contents(const Invoice& invoice, int typ)
    {
        db::Dataset q(connection);
        q.sql() << QStringLiteral("select obsah from dokladya where typ = %1 and ico = %2 and por_cis = %3 order by id")
                       .arg(typ)
                       .arg(db::quote(invoice.ico), db::quote(invoice.porCis));
        q.open();
        QList<QByteArray> out;
        for (q.first(); !q.eof(); q.next())
            out << q.asBytes(QStringLiteral("obsah"));
        return out;
    }

    // The stored content of typ as viewing writes it: the file's suffix and bytes.
    std::pair<QString, QByteArray> viewed(int typ)
    {
        const QString stem = testenv::tmpDir() + QStringLiteral("/__pr");
        const QString path = documents::writeStoredDocument(work, kInvoice, typ, stem);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
        const QByteArray content = f.readAll();
        f.close();
        QFile::remove(path);
        EXPECT_FALSE(work.isOpen());
        return {path.mid(stem.size()), content};
    }

    db::Connection connection;
    db::Dataset work{connection};
};
testenv::TestDb* DocStoreTest::db = nullptr;

} // namespace

TEST_F(DocStoreTest, PresenceCountsTypesOneToThreeOfThisInvoiceOnly)
{
    const Invoice otherIco{QStringLiteral("999"), kInvoice.porCis, QString()};
    addRow(kInvoice, 1, "a");
    addRow(kInvoice, 1, "b");
    addRow(kInvoice, 3, "c");
    addRow(kInvoice, 4, "d");
    addRow(otherIco, 2, "e");
    db::Dataset presence(connection);
    const documents::Presence found = documents::findPresent(presence, kInvoice);
    const documents::Presence expected{false, true, false, true, false, false, false, false, false, false, false};
    EXPECT_EQ(found, expected);
    EXPECT_FALSE(presence.isOpen());
}

TEST_F(DocStoreTest, StoreReplacesEveryEarlierDocumentOfTheTypeAndKeepsTheRest)
{
    struct Case
    {
        const char* name;
        documents::DocumentRow row;
        QVariant objednavka; // what the row holds afterwards
    };
    const Case cases[] = {
        {"scanned", {1, QStringLiteral("Faktura"), kInvoice.cisFak, std::nullopt}, QVariant()},
        {"loaded", {1, QStringLiteral("Faktura"), QString(), QString()}, QStringLiteral("")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        db->clear();
        const Invoice otherIco{QStringLiteral("999"), kInvoice.porCis, QString()};
        addRow(kInvoice, 1, "old one");
        addRow(kInvoice, 1, "old two");
        addRow(kInvoice, 2, "attachment");
        addRow(otherIco, 1, "other company");
        const QByteArray content = randomBytes(300000, 7);
        documents::storeDocument(work, kInvoice, c.row, writeFile(QStringLiteral("doc.pdf"), content));

        EXPECT_EQ(contents(kInvoice, 1), QList<QByteArray>{content});
        EXPECT_EQ(contents(kInvoice, 2), QList<QByteArray>{"attachment"});
        EXPECT_EQ(contents(otherIco, 1), QList<QByteArray>{"other company"});

        db::Dataset row(connection);
        row.sql() << QStringLiteral("select * from dokladya where typ = 1 and ico = %1").arg(db::quote(kInvoice.ico));
        row.open();
        EXPECT_EQ(row.asString(QStringLiteral("popis")), QStringLiteral("Faktura"));
        EXPECT_EQ(row.asString(QStringLiteral("cislodokladu")), c.row.cislodokladu);
        EXPECT_EQ(row.asInt(QStringLiteral("por_cis")), 2600001);
        EXPECT_EQ(row.value(QStringLiteral("objednavka")), c.objednavka);
        EXPECT_GT(row.asInt(QStringLiteral("id")), 0);

        // `_doklad` still holds the stored row, for this connection only.
        EXPECT_EQ(connection.scalar(QStringLiteral("select count(*) from _doklad")).toInt(), 1);
        db::Dataset scratch(connection);
        scratch.sql() << QStringLiteral("select obsah from _doklad");
        scratch.open();
        EXPECT_TRUE(scratch.asBytes(QStringLiteral("obsah")) == content);
        EXPECT_THROW(db->scalar(QStringLiteral("select count(*) from _doklad")), db::Error);
    }
}

TEST_F(DocStoreTest, FailedStoreLeavesTheEarlierDocument)
{
    addRow(kInvoice, 1, "earlier");
    // A file that cannot be read.
    EXPECT_THROW(documents::storeDocument(work, kInvoice, {1, QStringLiteral("Faktura"), QString(), QString()},
                                          testenv::tmpDir() + QStringLiteral("/missing.pdf")),
                 app::FileError);
    // A server refusing the copy into dokladya after the earlier document was removed.
    db->exec(QStringLiteral("create trigger refuse before insert on dokladya for each row "
                            "if new.popis = 'odmítnout' then signal sqlstate '45000' set message_text = 'refused'; "
                            "end if"));
    EXPECT_THROW(documents::storeDocument(work, kInvoice, {1, QStringLiteral("odmítnout"), QString(), QString()},
                                          writeFile(QStringLiteral("doc.pdf"), "new")),
                 db::Error);
    db->exec(QStringLiteral("drop trigger refuse"));
    EXPECT_EQ(contents(kInvoice, 1), QList<QByteArray>{"earlier"});
}

TEST_F(DocStoreTest, TwoWorkstationsStoringAtOnceLeaveOneOfTheirOwnDocuments)
{
    const QByteArray first = randomBytes(200000, 1);
    const QByteArray second = randomBytes(200000, 2);
    const QString files[] = {writeFile(QStringLiteral("first.pdf"), first),
                             writeFile(QStringLiteral("second.pdf"), second)};
    QString failures[2];
    const auto workstation = [&](int n) {
        try {
            db::Connection own;
            own.setSettings(db->settings());
            db::Dataset ownWork(own);
            for (int i = 0; i < 15; ++i)
                documents::storeDocument(ownWork, kInvoice, {1, QStringLiteral("Faktura"), QString(), std::nullopt},
                                         files[n]);
        } catch (const db::Error& e) {
            failures[n] = e.text();
        }
    };
    std::thread a(workstation, 0);
    std::thread b(workstation, 1);
    a.join();
    b.join();
    EXPECT_TRUE(failures[0].isEmpty()) << failures[0].toStdString();
    EXPECT_TRUE(failures[1].isEmpty()) << failures[1].toStdString();
    const QList<QByteArray> stored = contents(kInvoice, 1);
    ASSERT_EQ(stored.size(), 1);
    EXPECT_TRUE(stored[0] == first || stored[0] == second);
}

TEST_F(DocStoreTest, ViewAndDeleteByTypeOfThisInvoice)
{
    const Invoice otherIco{QStringLiteral("999"), kInvoice.porCis, QString()};
    addRow(kInvoice, 2, "two");
    addRow(kInvoice, 2, "two again");
    addRow(otherIco, 2, "other");
    addRow(kInvoice, 1, "\xFF\xD8\xFF\xE0 a JPEG");
    using Viewed = std::pair<QString, QByteArray>;
    EXPECT_EQ(viewed(2), Viewed(QStringLiteral(".pdf"), "two"));
    EXPECT_EQ(viewed(1), Viewed(QStringLiteral(".jpg"), "\xFF\xD8\xFF\xE0 a JPEG"));
    EXPECT_EQ(viewed(3), Viewed(QStringLiteral(".pdf"), QByteArray())); // none: an empty file

    documents::deleteDocuments(work, kInvoice, 2);
    EXPECT_TRUE(contents(kInvoice, 2).isEmpty());
    EXPECT_EQ(contents(otherIco, 2), QList<QByteArray>{"other"});
}

TEST_F(DocStoreTest, LargeDocumentRoundTripsIntact)
{
    const QByteArray content = randomBytes(64 * 1024 * 1024 + 13, 64);
    documents::storeDocument(work, kInvoice, {3, QStringLiteral("Průvodka"), QString(), QString()},
                             writeFile(QStringLiteral("big.pdf"), content));
    const auto [suffix, back] = viewed(3);
    EXPECT_EQ(back.size(), content.size());
    EXPECT_TRUE(back == content);
    QFile::remove(testenv::tmpDir() + QStringLiteral("/big.pdf"));
}

TEST_F(DocStoreTest, DocumentAboveThePacketLimitIsRefusedWithBothSizes)
{
    addRow(kInvoice, 1, "earlier");
    const unsigned long long saved = connection.maxAllowedPacket();
    const qsizetype limit = 1024 * 1024;
    db->exec(QStringLiteral("set global max_allowed_packet = %1").arg(limit));
    struct Restore
    {
        unsigned long long value;
        ~Restore() { DocStoreTest::db->exec(QStringLiteral("set global max_allowed_packet = %1").arg(value)); }
    } restore{saved};

    db::Connection small; // takes the lowered setting
    small.setSettings(db->settings());
    db::Dataset smallWork(small);
    const QString file = writeFile(QStringLiteral("too-big.pdf"), randomBytes(limit + 1, 3));
    try {
        documents::storeDocument(smallWork, kInvoice, {1, QStringLiteral("Faktura"), QString(), QString()}, file);
        ADD_FAILURE() << "stored";
    } catch (const app::UserError& e) {
        EXPECT_TRUE(e.text().startsWith(QStringLiteral("Nelze"))) << e.text().toStdString();
        EXPECT_TRUE(e.text().contains(QStringLiteral("1048577 bajtů"))) << e.text().toStdString();
        EXPECT_TRUE(e.text().contains(QStringLiteral("1048576 bajtů"))) << e.text().toStdString();
        EXPECT_TRUE(e.text().contains(QStringLiteral("max_allowed_packet"))) << e.text().toStdString();
    }
    EXPECT_EQ(contents(kInvoice, 1), QList<QByteArray>{"earlier"});

    // A document that leaves room for its statement passes.
    const QByteArray fits = randomBytes(limit - 1024, 4);
    documents::storeDocument(smallWork, kInvoice, {1, QStringLiteral("Faktura"), QString(), QString()},
                             writeFile(QStringLiteral("fits.pdf"), fits));
    EXPECT_EQ(contents(kInvoice, 1), QList<QByteArray>{fits});
}
