// The data layer against a real server: the list query, cp1250 text, quoting, datasets.
#include "db/dataset.h"
#include "db/listquery.h"
#include "db/sqltext.h"
#include "testdb.h"

#include <gtest/gtest.h>

using testenv::TestDb;

namespace {

struct DbTest : ::testing::Test
{
    static TestDb* db;
    static void SetUpTestSuite() { db = new TestDb(QStringLiteral("db")); }
    static void TearDownTestSuite() { delete db; }
    void SetUp() override
    {
        db->clear();
        conn.setSettings(db->settings());
        conn.open();
    }
    void insertInvoice(int id, int porCis, const QString& druh, const QString& castka, const QString& zaplaceno,
                       const QString& ico = QStringLiteral("111"))
    {
        db->exec(QStringLiteral("insert into ledrana (id, por_cis, druh, ico, nazev, castka, zaplaceno) "
                                "values (%1, %2, '%3', '%4', 'Firma %1', %5, %6)")
                     .arg(id)
                     .arg(porCis)
                     .arg(druh, ico, castka, zaplaceno));
    }
    void openList(db::Dataset& list, const QString& selection = QString())
    {
        list.sql() = db::listQueryLines(selection);
        list.open();
    }
    db::Connection conn;
};
TestDb* DbTest::db = nullptr;

TEST_F(DbTest, ListQueryMarksPaidAndDocumentsOneRowPerRegisterNumber)
{
    insertInvoice(1, 30, "FP", "0", "0");      // zero amount: not paid
    insertInvoice(2, 10, "FP", "500", "NULL"); // NULL paid: not paid
    insertInvoice(3, 20, "FV", "500", "500");  // paid
    insertInvoice(4, 20, "FV", "700", "0");    // shares por_cis 20 with id 3
    // Two documents for 10, one with another IČO for 30.
    db->exec("insert into dokladya (ico, typ, por_cis) values ('111', 1, 10), ('111', 2, 10), ('999', 1, 30)");

    db::Dataset list(conn);
    openList(list);
    ASSERT_EQ(list.recordCount(), 3);
    struct Expect
    {
        int porCis;
        const char* zapl;
        const char* typ;
    };
    const Expect expected[] = {{10, "N", "D"}, {20, "A", ""}, {30, "N", "D"}};
    for (int r = 0; r < 3; ++r) {
        list.moveTo(r);
        EXPECT_EQ(list.asInt("por_cis"), expected[r].porCis) << r;
        EXPECT_EQ(list.asString("ZAPL"), QLatin1String(expected[r].zapl)) << r;
        EXPECT_EQ(list.asString("typ"), QLatin1String(expected[r].typ)) << r;
    }
    EXPECT_EQ(list.field(list.fieldIndex("castka")).kind, db::FieldKind::Float);
    EXPECT_EQ(list.field(list.fieldIndex("por_cis")).kind, db::FieldKind::Integer);
    EXPECT_EQ(list.field(list.fieldIndex("datum")).kind, db::FieldKind::Date);
    EXPECT_EQ(list.field(list.fieldIndex("ZAPL")).kind, db::FieldKind::Text);
    EXPECT_TRUE(list.field(list.fieldIndex("ZAPL")).table.isEmpty());
}

TEST_F(DbTest, TextRoundTripsThroughCp1250AndQuoting)
{
    const QStringList values = {QStringLiteral("Příloha faktury"),        QStringLiteral("Výmaz dne: 5.3.2024 IČO: 1"),
                                QStringLiteral("IČO žluťoučký kůň"),      QStringLiteral("Say \"hi\" \\ back\\"),
                                QStringLiteral("it's; -- not a comment"), QStringLiteral("C:\\dir\\")};
    int id = 1;
    for (const QString& v : values) {
        conn.execute(QStringLiteral("insert into ledrana (id, nazev, d_text) values (%1, %2, %3)")
                         .arg(id)
                         .arg(db::quote(v), db::quote(v)));
        db::Dataset q(conn);
        q.setSql(QStringLiteral("select nazev from ledrana where d_text = %1").arg(db::quote(v)));
        q.open();
        ASSERT_EQ(q.recordCount(), 1) << v.toStdString();
        EXPECT_EQ(q.asString("nazev"), v);
        ++id;
    }
    // Stored as real Unicode on the server, not as mangled bytes.
    EXPECT_EQ(db->scalar("select hex(nazev) from ledrana where id = 1").toString(),
              QString::fromLatin1(QStringLiteral("Příloha faktury").toUtf8().toHex().toUpper()));
}

TEST_F(DbTest, EditPostWritesOnlyChangedColumnsByIdAndCancelRestores)
{
    insertInvoice(1, 10, "FP", "100", "0");
    insertInvoice(2, 11, "FP", "200", "0");
    db::Dataset list(conn);
    openList(list);
    list.moveTo(1);
    list.edit();
    list.setValue("nazev", QStringLiteral("Nová \"firma\""));
    list.setValue("castka", QStringLiteral("1234,5"));
    list.setValue("splatnost", QStringLiteral("15.03.2024"));
    EXPECT_EQ(list.state(), db::Dataset::State::Edit);
    list.post();
    EXPECT_EQ(list.state(), db::Dataset::State::Browse);
    EXPECT_EQ(list.asString("nazev"), QStringLiteral("Nová \"firma\"")); // the row shows the posted value
    EXPECT_EQ(db->scalar("select concat(nazev, '|', castka, '|', splatnost) from ledrana where id = 2").toString(),
              QStringLiteral("Nová \"firma\"|1234.50|2024-03-15"));
    EXPECT_EQ(db->scalar("select nazev from ledrana where id = 1").toString(), QStringLiteral("Firma 1"));

    list.setValue("nazev", QStringLiteral("zahozeno"));
    list.cancel();
    EXPECT_EQ(list.asString("nazev"), QStringLiteral("Nová \"firma\""));

    // Moving away from a pending edit writes it.
    list.setValue("d_text", QStringLiteral("pending"));
    list.first();
    EXPECT_EQ(db->scalar("select d_text from ledrana where id = 2").toString(), QStringLiteral("pending"));

    // Bad input is refused with a clear text and nothing is written.
    list.edit();
    EXPECT_THROW(list.setValue("castka", QStringLiteral("12x")), db::Error);
    EXPECT_THROW(list.setValue("datum", QStringLiteral("31.02.2024")), db::Error);
    list.cancel();
}

TEST_F(DbTest, ClientSideOrderingByKindOfValue)
{
    // Texts as texts (Czech order, no case), numbers as numbers, dates as dates.
    db->exec("insert into ledrana (id, por_cis, ico, nazev, castka, splatnost) values "
             "(1, 1, '20', 'čeřovka', 9.5, '2024-01-10'),"
             "(2, 2, '3', 'Cibulka', 10, '2023-12-31'),"
             "(3, 3, '20', 'dub', 100, NULL),"
             "(4, 4, '100', 'ábel', -1, '2024-01-02')");
    db::Dataset list(conn);
    openList(list);
    auto order = [&](const QString& keys) {
        list.setSortKeys(keys);
        QList<long long> ids;
        for (int r = 0; r < list.recordCount(); ++r)
            ids << list.valueAt(r, list.fieldIndex("id")).toLongLong();
        return ids;
    };
    EXPECT_EQ(order("nazev"), (QList<long long>{4, 2, 1, 3}));
    EXPECT_EQ(order("castka"), (QList<long long>{4, 1, 2, 3}));
    EXPECT_EQ(order("splatnost"), (QList<long long>{3, 2, 4, 1}));
    EXPECT_EQ(order("ico, por_cis"), (QList<long long>{4, 1, 3, 2})); // ico is text: "100" < "20" < "3"
    EXPECT_EQ(order(""), (QList<long long>{1, 2, 3, 4}));
    // The ordering survives reopening; locate finds rows in list order.
    list.setSortKeys("nazev");
    list.open();
    ASSERT_TRUE(list.locate("por_cis", 3));
    EXPECT_EQ(list.recNo(), 3);
    EXPECT_FALSE(list.locate("por_cis", 77));
    EXPECT_THROW(list.setSortKeys("nosuchfield"), db::Error);
    EXPECT_EQ(list.sortKeys(), QStringLiteral("nazev")); // a refused key leaves the ordering
    list.open();
    EXPECT_EQ(list.recordCount(), 4);
}

TEST_F(DbTest, ConnectionErrorsAndRetry)
{
    db::Connection bad;
    db::Settings s = db->settings();
    s.password = QStringLiteral("wrong");
    s.user = QStringLiteral("nobody");
    bad.setSettings(s);
    try {
        bad.open();
        FAIL() << "expected a connection error";
    } catch (const db::Error& e) {
        EXPECT_TRUE(e.text().startsWith(QStringLiteral("SQL chyba: "))) << e.text().toStdString();
    }
    // A dataset on the failed connection tries to connect again when opened.
    bad.setSettings(db->settings());
    db::Dataset q(bad);
    q.setSql("select 1 as x");
    q.open();
    EXPECT_EQ(q.asInt("x"), 1);

    db::Dataset broken(conn);
    broken.setSql("select * from no_such_table");
    EXPECT_THROW(broken.open(), db::Error);
    EXPECT_FALSE(broken.isOpen());
}

TEST_F(DbTest, StatementsWorkOnServersWithStricterModes)
{
    insertInvoice(1, 10, "FP", "100", "0");
    const QString saved = db->scalar("select @@GLOBAL.sql_mode").toString();
    db->exec("SET GLOBAL sql_mode = 'ONLY_FULL_GROUP_BY,ANSI_QUOTES,NO_BACKSLASH_ESCAPES,STRICT_TRANS_TABLES'");
    db::Connection strict;
    strict.setSettings(db->settings());
    strict.open();
    db->exec(QStringLiteral("SET GLOBAL sql_mode = '%1'").arg(saved));
    db::Dataset list(strict);
    list.sql() = db::listQueryLines(QStringLiteral("where ledrana.nazev = %1").arg(db::quote("Firma 1")));
    list.open();
    EXPECT_EQ(list.recordCount(), 1);
    strict.execute(QStringLiteral("update ledrana set d_text = %1 where id = 1").arg(db::quote("a\\b\"c")));
    EXPECT_EQ(db->scalar("select d_text from ledrana where id = 1").toString(), QStringLiteral("a\\b\"c"));
    EXPECT_TRUE(strict.scalar("select @@SESSION.sql_mode").toString().contains("STRICT_TRANS_TABLES"));
}

TEST_F(DbTest, BytesTravelWholeThroughParameters)
{
    QByteArray blob(3 * 1024 * 1024 + 17, Qt::Uninitialized);
    for (int i = 0; i < blob.size(); ++i)
        blob[i] = char((i * 7919) & 0xFF);
    conn.executeParams("insert into dokladya (ico, typ, por_cis, obsah) values (?, ?, ?, ?)",
                       {QStringLiteral("1\"2"), 1, 5, blob});
    db::Dataset q(conn);
    q.setSql("select obsah, ico from dokladya where por_cis = 5");
    q.open();
    EXPECT_EQ(q.field(0).kind, db::FieldKind::Bytes);
    EXPECT_EQ(q.asBytes("obsah"), blob);
    EXPECT_EQ(q.asString("ico"), QStringLiteral("1\"2"));
}

} // namespace
