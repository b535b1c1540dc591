// Allocation, field checks and record operations against a real server, without the window.
#include "base/formats.h"
#include "db/sqltext.h"
#include "entry/allocation.h"
#include "entry/checks.h"
#include "entry/claims.h"
#include "entry/records.h"
#include "entry_fixture.h"

#include <optional>

namespace {

const QString kMe = QStringLiteral("ws-me");
const QDate kToday = QDate::currentDate();

// ---------------------------------------------------------------- allocation

struct AllocationCase
{
    const char* name;
    QStringList rows;   // values for (id, por_cis, datum, castka, nazev)
    QStringList holds;  // values for (klic, drzitel, plati_do) of ledrana_zamky
    long long reusedId; // 0 = a row is inserted
    long long porCis;   // -1 = the first number of this year
    const char* datum;  // nullptr = today
};

class Allocation : public EntryDbTest, public ::testing::WithParamInterface<AllocationCase>
{
};

TEST_P(Allocation, ReusesOrInsertsAndNumbers)
{
    const AllocationCase& c = GetParam();
    for (const QString& r : c.rows)
        db->exec(QStringLiteral("insert into ledrana (id, por_cis, datum, castka, nazev) values (%1)").arg(r));
    for (const QString& h : c.holds)
        db->exec(QStringLiteral("insert into ledrana_zamky (klic, drzitel, plati_do) values (%1)").arg(h));
    const long long before = count();

    const entry::Allocation a = entry::allocateRecord(conn, kMe, kToday);

    const long long porCis = c.porCis < 0 ? entry::firstNumberOfYear(kToday) : c.porCis;
    EXPECT_EQ(a.porCis, porCis);
    EXPECT_EQ(cell(a.id, "por_cis").toLongLong(), porCis);
    EXPECT_EQ(cell(a.id, "datum").toString(), c.datum ? QString::fromLatin1(c.datum) : base::sqlDate(kToday));
    EXPECT_EQ(cell(a.id, "castka").toDouble(), 0);
    EXPECT_TRUE(cell(a.id, "nazev").isNull());
    if (c.reusedId) {
        EXPECT_EQ(a.id, c.reusedId);
        EXPECT_FALSE(a.inserted);
        EXPECT_EQ(count(), before);
    } else {
        EXPECT_TRUE(a.inserted);
        EXPECT_EQ(count(), before + 1);
    }
    // The panel now holds the row: another workstation does not get it.
    const long long highest = db->scalar("select max(por_cis) from ledrana").toLongLong();
    const entry::Allocation other = entry::allocateRecord(conn, QStringLiteral("ws-other"), kToday);
    EXPECT_NE(other.id, a.id);
    EXPECT_EQ(other.porCis, highest + 1);
}

const QString kFilled = QStringLiteral("1, 2400017, '2024-02-01', 100, 'Alfa'");

INSTANTIATE_TEST_SUITE_P(
    Cases, Allocation,
    ::testing::Values(
        AllocationCase{"EmptyTable", {}, {}, 0, -1, nullptr},
        AllocationCase{"HighestPlusOne", {kFilled, "2, 2400005, '2024-01-01', 50, 'Beta'"}, {}, 0, 2400018, nullptr},
        AllocationCase{"EarlierYearKeepsCounting", {"1, 1999998, '2019-12-31', 100, 'Alfa'"}, {}, 0, 1999999, nullptr},
        AllocationCase{
            "AllRowsUnnumbered", {"1, 0, '2024-01-01', 100, 'Alfa'", "2, 0, NULL, 50, 'Beta'"}, {}, 0, -1, nullptr},
        AllocationCase{"UnfilledWithNumberKeepsNumberAndDate",
                       {kFilled, "2, 2300004, '2023-05-06', 0, NULL"},
                       {},
                       2,
                       2300004,
                       "2023-05-06"},
        AllocationCase{
            "UnfilledWithoutNumberIsNumbered", {kFilled, "2, 0, '2023-05-06', 0, NULL"}, {}, 2, 2400018, nullptr},
        AllocationCase{"DeleteMarkedNeverReused",
                       {kFilled, "2, 2400018, '2024-02-02', 0, 'Výmaz dne: 1.3.2024 IČO: 1'"},
                       {},
                       0,
                       2400019,
                       nullptr},
        AllocationCase{"HeldByAnotherPanelNotReused",
                       {kFilled, "2, 2400018, '2024-02-02', 0, NULL"},
                       {"'radek 2', 'ws-busy', now() + interval 1 hour"},
                       0,
                       2400019,
                       nullptr},
        AllocationCase{"ExpiredHoldReused",
                       {kFilled, "2, 2400018, '2024-02-02', 0, NULL"},
                       {"'radek 2', 'ws-gone', now() - interval 1 second"},
                       2,
                       2400018,
                       "2024-02-02"},
        AllocationCase{"OwnHoldReused",
                       {kFilled, "2, 2400018, '2024-02-02', 0, NULL"},
                       {"'radek 2', 'ws-me', now() + interval 1 hour"},
                       2,
                       2400018,
                       "2024-02-02"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EntryDbTest, FirstNumberOfYearIsTwoDigitsAndOne)
{
    EXPECT_EQ(entry::firstNumberOfYear(QDate(2024, 1, 1)), 2400001);
    EXPECT_EQ(entry::firstNumberOfYear(QDate(2031, 12, 31)), 3100001);
}

TEST_F(EntryDbTest, ClaimsTableIsCreatedWhenMissing)
{
    db->exec(QStringLiteral("drop table ledrana_zamky"));
    const entry::Allocation a = entry::allocateRecord(conn, kMe, kToday);
    EXPECT_EQ(a.porCis, entry::firstNumberOfYear(kToday));
    EXPECT_EQ(
        db->scalar("select drzitel from ledrana_zamky where klic = 'radek " + QString::number(a.id) + "'").toString(),
        kMe);
}

TEST_F(EntryDbTest, HoldIsReleasedAndRenewed)
{
    const entry::Allocation a = entry::allocateRecord(conn, kMe, kToday);
    EXPECT_TRUE(entry::renewHold(conn, kMe));
    entry::releaseHolds(conn, kMe);
    EXPECT_FALSE(entry::renewHold(conn, kMe));
    // Released: the next workstation reuses the unfilled row with its number.
    const entry::Allocation b = entry::allocateRecord(conn, QStringLiteral("ws-other"), kToday);
    EXPECT_EQ(b.id, a.id);
    EXPECT_EQ(b.porCis, a.porCis);
}

// ---------------------------------------------------------------- field checks

struct KindCase
{
    const char* name;
    QStringList rows; // (druh, cislo)
    const char* kind;
    const char* firstFP;
    const char* firstFV;
    long long expected; // -1: conversion error
};

class NumberInKind : public EntryDbTest, public ::testing::WithParamInterface<KindCase>
{
};

TEST_P(NumberInKind, HighestOfKindOrConfiguredFirst)
{
    const KindCase& c = GetParam();
    for (const QString& r : c.rows)
        db->exec(QStringLiteral("insert into ledrana (druh, cislo, castka, nazev) values (%1, 1, 'x')").arg(r));
    auto run = [&] {
        return entry::numberInKind(conn, QString::fromUtf8(c.kind), QString::fromUtf8(c.firstFP),
                                   QString::fromUtf8(c.firstFV));
    };
    if (c.expected < 0)
        EXPECT_THROW(run(), db::Error);
    else
        EXPECT_EQ(run(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NumberInKind,
    ::testing::Values(KindCase{"FirstFP", {"'FV', 900"}, "FP", "150001", "250001", 150002},
                      KindCase{"FirstFV", {"'FP', 900"}, "FV", "150001", "250001", 250002},
                      KindCase{"HighestFV", {"'FV', 37", "'FV', 12", "'FP', 500"}, "FV", "150001", "150001", 38},
                      KindCase{"NoKindUsesFV", {}, "", "150001", "7", 8},
                      KindCase{"FirstFPNotANumber", {}, "FP", "15a", "150001", -1},
                      KindCase{"BadFirstFPUnusedForFV", {}, "FV", "15a", "20", 21},
                      KindCase{"BadFirstFPUnusedWhenKindHasNumbers", {"'FP', 41"}, "FP", "15a", "20", 42}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EntryDbTest, NewestNameByIco)
{
    const QString ico = QStringLiteral("12\"3\\'4");
    insertRow("ico, nazev, castka", db::quote(ico) + ", 'Alfa s.r.o.', 1");
    insertRow("ico, nazev, castka", db::quote(ico) + ", 'Alfa a.s.', 1");
    insertRow("ico, nazev, castka", "'999', 'Jiná', 1");
    insertRow("ico, nazev, castka", "'', 'Bez IČO', 1");
    EXPECT_EQ(entry::newestName(conn, ico), QStringLiteral("Alfa a.s."));
    EXPECT_EQ(entry::newestName(conn, QStringLiteral("000")), QString());
    EXPECT_EQ(entry::newestName(conn, QString()), QStringLiteral("Bez IČO"));
}

TEST_F(EntryDbTest, InvoiceNumberAndTextElsewhere)
{
    const long long other = insertRow("ico, cis_fak, d_text, castka", "'111', 'F\"1', 'nájem \\\\ kancelář', 1");
    const long long self = insertRow("ico, cis_fak, d_text, castka", "'111', 'F-2', 'jen můj', 1");
    EXPECT_TRUE(entry::invoiceNumberExists(conn, "111", "F\"1", self));
    EXPECT_FALSE(entry::invoiceNumberExists(conn, "222", "F\"1", self));  // same number, another IČO
    EXPECT_FALSE(entry::invoiceNumberExists(conn, "111", "F\"1", other)); // only the record itself
    EXPECT_TRUE(entry::textUsedElsewhere(conn, QStringLiteral("nájem \\ kancelář"), self));
    EXPECT_FALSE(entry::textUsedElsewhere(conn, QStringLiteral("jen můj"), self));
}

TEST_F(EntryDbTest, DaysBetweenShownDates)
{
    const QString empty = entry::emptyDateText();
    struct
    {
        QString a, b;
        int days;
    } cases[] = {{"01.03.2024", "15.03.2024", 14}, {"15.03.2024", "01.03.2024", 14}, {"31.12.2023", "01.03.2024", 61},
                 {empty, "15.03.2024", 0},         {"01.03.2024", empty, 0},         {empty, empty, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(entry::daysBetween(c.a, c.b), c.days) << c.a.toStdString() << " " << c.b.toStdString();
}

// ---------------------------------------------------------------- record operations

struct SaveCheckCase
{
    const char* name;
    const char* amountText;
    const char* values; // castka, ico, druh, cis_fak
    bool edit;
    entry::SaveRefusal expected;
};

class SaveChecks : public EntryDbTest, public ::testing::WithParamInterface<SaveCheckCase>
{
};

TEST_P(SaveChecks, TestedInOrder)
{
    const SaveCheckCase& c = GetParam();
    const long long id = insertRow("castka, ico, druh, cis_fak", QString::fromUtf8(c.values));
    db::Dataset entryQuery(conn);
    entryQuery.setSql(QStringLiteral("select * from ledrana where id = %1").arg(id));
    entryQuery.open();
    if (c.edit)
        entryQuery.edit();
    EXPECT_EQ(entry::checkSave(QString::fromUtf8(c.amountText), entryQuery), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SaveChecks,
    ::testing::Values(
        SaveCheckCase{"EmptyAmountFirst", " ", "1200, NULL, NULL, NULL", true, entry::SaveRefusal::ZeroAmount},
        SaveCheckCase{"ZeroAmount", "0", "0, '1', 'FP', 'F'", true, entry::SaveRefusal::ZeroAmount},
        SaveCheckCase{"NoIco", "1200", "1200, '  ', 'FP', 'F'", true, entry::SaveRefusal::Incomplete},
        SaveCheckCase{"NoKind", "1200", "1200, '1', NULL, 'F'", true, entry::SaveRefusal::Incomplete},
        SaveCheckCase{"NoInvoiceNumber", "1200", "1200, '1', 'FP', ''", true, entry::SaveRefusal::Incomplete},
        SaveCheckCase{"Unchanged", "1200", "1200, '1', 'FP', 'F'", false, entry::SaveRefusal::NoChange},
        SaveCheckCase{"FractionAccepted", "0,4", "0.4, '1', 'FP', 'F'", true, entry::SaveRefusal::None}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EntryDbTest, ClosedEntryQueryIsZeroAmount)
{
    db::Dataset closed(conn);
    EXPECT_EQ(entry::checkSave(QString(), closed), entry::SaveRefusal::ZeroAmount);
}

// Loads a row as the panel does and returns its values as loaded.
QVariantList load(db::Dataset& q, long long id)
{
    q.setSql(QStringLiteral("select * from ledrana where id = %1").arg(id));
    q.open();
    QVariantList loaded = entry::rowValues(q);
    q.edit();
    return loaded;
}

TEST_F(EntryDbTest, SaveWritesChangesAndRenumbersATakenNumber)
{
    insertRow("druh, cislo, cis_fak, castka, nazev, por_cis", "'FV', 41, '41', 10, 'Dřívější', 5");
    const entry::Allocation a = entry::allocateRecord(conn, kMe, kToday);
    db::Dataset q(conn);
    const QVariantList loaded = load(q, a.id);
    // The number within the kind was taken while the record was being typed.
    q.setValue("druh", "FV");
    q.setValue("cislo", 41);
    q.setValue("cis_fak", "41");
    q.setValue("ico", "12\"34");
    q.setValue("castka", "1200,50");
    const entry::SaveOutcome out = entry::saveRecord(conn, kMe, q, loaded, "150001", "150001", kToday);
    EXPECT_EQ(out.id, a.id);
    EXPECT_TRUE(out.renumbered);
    EXPECT_EQ(out.oldCislo, 41);
    EXPECT_EQ(out.cislo, 42);
    EXPECT_EQ(cell(a.id, "cislo").toLongLong(), 42);
    EXPECT_EQ(cell(a.id, "cis_fak").toString(), QStringLiteral("42")); // an FV number follows
    EXPECT_EQ(cell(a.id, "ico").toString(), QStringLiteral("12\"34"));
    EXPECT_EQ(cell(a.id, "castka").toDouble(), 1200.5);
    EXPECT_EQ(cell(a.id, "por_cis").toLongLong(), 6);
    EXPECT_TRUE(cell(a.id, "nazev").isNull()); // a record without a name is saved
    EXPECT_EQ(db->scalar("select count(*) from ledrana_zamky where drzitel = 'ws-me'").toInt(), 0);
}

TEST_F(EntryDbTest, SaveOfRowTakenOverByAnotherWorkstationGoesToANewRow)
{
    const entry::Allocation a = entry::allocateRecord(conn, kMe, kToday);
    db::Dataset q(conn);
    const QVariantList loaded = load(q, a.id);
    // The lease ran out, another workstation reused the row and saved its record there.
    db->exec("update ledrana_zamky set plati_do = now() - interval 1 second");
    const entry::Allocation b = entry::allocateRecord(conn, "ws-other", kToday);
    ASSERT_EQ(b.id, a.id);
    db->exec(QStringLiteral("update ledrana set castka = 99, nazev = 'Cizí' where id = %1").arg(a.id));

    q.setValue("druh", "FP");
    q.setValue("ico", "1");
    q.setValue("cis_fak", "F");
    q.setValue("castka", 500);
    const entry::SaveOutcome out = entry::saveRecord(conn, kMe, q, loaded, "150001", "150001", kToday);
    EXPECT_TRUE(out.movedToNewRow);
    EXPECT_NE(out.id, a.id);
    EXPECT_EQ(cell(a.id, "nazev").toString(), QStringLiteral("Cizí"));
    EXPECT_EQ(cell(out.id, "castka").toDouble(), 500);
    EXPECT_EQ(cell(out.id, "por_cis").toLongLong(), a.porCis + 1);
    EXPECT_EQ(cell(out.id, "cislo").toLongLong(), 150002);
}

TEST_F(EntryDbTest, CopyGetsOwnIdNextNumberAndDropsScratchTable)
{
    const long long src = insertRow("por_cis, druh, cislo, datum, ico, nazev, cis_fak, d_text, castka, odeslani, "
                                    "splatnost, dnu, zaplaceno",
                                    "7, 'FP', 150002, '2024-01-05', '111', 'Alfa', 'F-9', 'nájem', 1200, "
                                    "'2024-01-01', '2024-01-15', 14, 1200");
    insertRow("por_cis, castka, nazev", "2400031, 5, 'Beta'");
    const long long id = entry::copyRecord(conn, src, kToday);
    EXPECT_NE(id, src);
    EXPECT_EQ(count(), 3);
    const QVariantList row = entry::firstRow(
        conn, QStringLiteral("select por_cis, druh, cislo, datum, ico, nazev, cis_fak, d_text, castka, odeslani, "
                             "splatnost, dnu, zaplaceno from ledrana where id = %1")
                  .arg(id));
    ASSERT_EQ(row.size(), 13);
    EXPECT_EQ(row[0].toLongLong(), 2400032);
    EXPECT_EQ(row[1].toString(), "FP");
    EXPECT_EQ(row[2].toLongLong(), 150002);
    EXPECT_EQ(row[3].toDate(), kToday);
    EXPECT_EQ(row[4].toString(), "111");
    EXPECT_EQ(row[5].toString(), "Alfa");
    EXPECT_EQ(row[6].toString(), "F-9");
    EXPECT_EQ(row[7].toString(), QStringLiteral("nájem"));
    EXPECT_EQ(row[8].toDouble(), 0);
    EXPECT_TRUE(row[9].isNull());
    EXPECT_TRUE(row[10].isNull());
    EXPECT_EQ(row[11].toLongLong(), 14);
    EXPECT_EQ(row[12].toDouble(), 1200);
    EXPECT_THROW(conn.execute("select * from _kopie"), db::Error);

    // A failing copy (its source is gone) leaves no _kopie behind either.
    EXPECT_THROW(entry::copyRecord(conn, 999999, kToday), db::Error);
    EXPECT_THROW(conn.execute("select * from _kopie"), db::Error);
    EXPECT_EQ(count(), 3);
}

TEST_F(EntryDbTest, CopyAndSourceShareANumberUntilTheCopyIsSaved)
{
    const long long src = insertRow("por_cis, druh, cislo, datum, ico, nazev, cis_fak, castka",
                                    "7, 'FV', 250010, '2024-01-05', '111', 'Alfa', '250010', 1200");
    const long long copy = entry::copyRecord(conn, src, kToday);
    auto edit = [&](long long id, const QString& name) {
        db::Dataset q(conn);
        const QVariantList loaded = load(q, id);
        q.setValue("nazev", name);
        q.setValue("castka", 10);
        return entry::saveRecord(conn, kMe, q, loaded, "150001", "250001", kToday);
    };
    // The source keeps its number and its invoice number: the copy is the newer row.
    EXPECT_FALSE(edit(src, "Alfa opravená").renumbered);
    EXPECT_EQ(cell(src, "cislo").toLongLong(), 250010);
    EXPECT_EQ(cell(src, "cis_fak").toString(), "250010");
    // Saving the copy gives it the next number of the kind.
    const entry::SaveOutcome out = edit(copy, "Alfa kopie");
    EXPECT_TRUE(out.renumbered);
    EXPECT_EQ(cell(copy, "cislo").toLongLong(), 250011);
    EXPECT_EQ(cell(copy, "cis_fak").toString(), "250011");
}

TEST_F(EntryDbTest, MarkDeletedWithShortDateFormat)
{
    const QString saved = base::shortDateFormat();
    base::setShortDateFormat(QStringLiteral("d.M.yyyy"));
    const long long id = insertRow("por_cis, druh, cislo, datum, ico, nazev, cis_fak, d_text, castka, zaplaceno, "
                                   "splatnost, zaloha",
                                   "44, 'FP', 7, '2024-03-01', '12345678', 'Alfa', 'F-1', 'text', 900, 900, "
                                   "'2024-03-20', 100");
    db::Dataset list(conn);
    list.setSql(QStringLiteral("select * from ledrana where id = %1").arg(id));
    list.open();
    entry::markDeleted(list, QDate(2024, 3, 5));
    base::setShortDateFormat(saved);
    EXPECT_EQ(cell(id, "nazev").toString(), QStringLiteral("Výmaz dne: 5.3.2024 IČO: 12345678"));
    EXPECT_EQ(cell(id, "ico").toString(), QString(""));
    EXPECT_FALSE(cell(id, "ico").isNull());
    EXPECT_EQ(cell(id, "castka").toDouble(), 0);
    for (const char* column : {"cislo", "d_text", "splatnost", "zaloha"})
        EXPECT_TRUE(cell(id, column).isNull()) << column;
    EXPECT_EQ(cell(id, "por_cis").toLongLong(), 44);
    EXPECT_EQ(cell(id, "cis_fak").toString(), "F-1");
    EXPECT_EQ(cell(id, "zaplaceno").toDouble(), 900);
    EXPECT_TRUE(entry::isDeleteMarked(list.asString("nazev")));
}

TEST_F(EntryDbTest, DeleteMarkIsTheFirstFiveLettersExactly)
{
    EXPECT_TRUE(entry::isDeleteMarked(QStringLiteral("Výmaz dne: 1.1.2024 IČO: 1")));
    EXPECT_TRUE(entry::isDeleteMarked(QStringLiteral("Výmazová s.r.o.")));
    EXPECT_FALSE(entry::isDeleteMarked(QStringLiteral("výmaz")));
    EXPECT_FALSE(entry::isDeleteMarked(QStringLiteral("Vymaz")));
    EXPECT_FALSE(entry::isDeleteMarked(QString()));
}

} // namespace
