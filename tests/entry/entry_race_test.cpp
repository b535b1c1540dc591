// Several workstations allocating, abandoning, saving and copying records at the same time,
// each on a connection of its own: no register number and no number within a kind is
// handed out twice, and no saved record is lost. With LEDRANA_CLUSTER_PORTS="p1,p2,p3"
// (the nodes of a cluster on loopback, LEDRANA_TEST_DB_DIR naming the first) the
// workstations spread over the nodes.
#include "entry/allocation.h"
#include "entry/checks.h"
#include "entry/claims.h"
#include "entry/records.h"
#include "entry_fixture.h"

#include <atomic>
#include <thread>
#include <vector>

namespace {

TEST_F(EntryDbTest, ConcurrentWorkstationsNeverShareNumbersOrRows)
{
    constexpr int kWorkstations = 4;
    constexpr int kRounds = 30;
    const QDate today = QDate::currentDate();
    std::atomic<int> failures{0};
    std::atomic<int> copies{0};
    std::vector<QString> errors(kWorkstations);
    std::vector<int> saved(kWorkstations, 0);

    auto workstation = [&](int w) {
        try {
            db::Connection c;
            db::Settings settings = db->settings();
            const QStringList nodes =
                qEnvironmentVariable("LEDRANA_CLUSTER_PORTS").split(QLatin1Char(','), Qt::SkipEmptyParts);
            if (!nodes.isEmpty())
                settings.port = nodes[w % nodes.size()].toInt();
            c.setSettings(settings);
            c.open();
            const QString holder = QStringLiteral("ws-%1").arg(w);
            for (int i = 0; i < kRounds; ++i) {
                const entry::Allocation a = entry::allocateRecord(c, holder, today);
                db::Dataset q(c);
                q.setSql(QStringLiteral("select * from ledrana where id = %1").arg(a.id));
                q.open();
                const QVariantList loaded = entry::rowValues(q);
                if (i % 5 == 4) {
                    // Abandoned: the row stays unfilled for a later allocation.
                    entry::releaseHolds(c, holder);
                    continue;
                }
                const QString kind = (i + w) % 2 ? QStringLiteral("FV") : QStringLiteral("FP");
                q.edit();
                q.setValue("druh", kind);
                // Numbered when the kind box is left, without any lock: others may take it.
                const long long number = entry::numberInKind(c, kind, "150001", "250001");
                q.setValue("cislo", number);
                q.setValue("ico", QStringLiteral("W%1-%2").arg(w).arg(i));
                q.setValue("cis_fak",
                           kind == QLatin1String("FV") ? QString::number(number) : QStringLiteral("F%1").arg(i));
                q.setValue("castka", 100.0 + i);
                q.setValue("nazev", QStringLiteral("Firma %1").arg(w)); // its copy is then no unfilled row
                const entry::SaveOutcome out = entry::saveRecord(c, holder, q, loaded, "150001", "250001", today);
                ++saved[w];
                if (i % 7 == 3) {
                    entry::copyRecord(c, out.id, today);
                    ++copies;
                }
            }
        } catch (const std::exception& e) {
            errors[w] = QString::fromUtf8(e.what());
            ++failures;
        }
    };
    std::vector<std::thread> threads;
    for (int w = 0; w < kWorkstations; ++w)
        threads.emplace_back(workstation, w);
    for (auto& t : threads)
        t.join();
    for (const QString& e : errors)
        EXPECT_TRUE(e.isEmpty()) << e.toStdString();
    ASSERT_EQ(failures.load(), 0);

    EXPECT_EQ(db->scalar("select count(*) - count(distinct por_cis) from ledrana").toInt(), 0)
        << "register number handed out twice";
    EXPECT_EQ(db->scalar("select count(*) from ledrana where por_cis is null or por_cis = 0").toInt(), 0);
    EXPECT_EQ(db->scalar("select count(*) - count(distinct druh, cislo) from ledrana where castka <> 0").toInt(), 0)
        << "number within a kind saved twice";
    for (int w = 0; w < kWorkstations; ++w) {
        EXPECT_EQ(saved[w], kRounds - kRounds / 5);
        EXPECT_EQ(count(QStringLiteral("ico like 'W%1-%' and castka <> 0").arg(w)), saved[w]) << "record lost";
    }
    EXPECT_EQ(count("castka = 0 and nazev is not null"), copies.load()) << "copy lost";
    // FV invoice numbers follow their numbers within the kind.
    EXPECT_EQ(db->scalar("select count(*) from ledrana where druh = 'FV' and cis_fak <> cast(cislo as char)").toInt(),
              0);
    // Abandoned rows were reused: at most one unfilled row per workstation remains.
    EXPECT_LE(count("castka = 0 and nazev is null"), kWorkstations);
}

} // namespace
