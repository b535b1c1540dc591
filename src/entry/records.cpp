#include "entry/records.h"

#include "base/formats.h"
#include "db/connection.h"
#include "db/dataset.h"
#include "db/sqltext.h"
#include "entry/allocation.h"
#include "entry/checks.h"
#include "entry/claims.h"

namespace entry {
namespace {

// A dataset edit that is written at once, or dropped when the write fails.
template <typename Fn>
void editAndPost(db::Dataset& dataset, Fn&& set)
{
    dataset.edit();
    try {
        set();
        dataset.post();
    } catch (...) {
        dataset.cancel();
        throw;
    }
}

bool isLedranaColumn(const db::FieldInfo& f)
{
    return !f.column.isEmpty() && f.table.compare(QLatin1String("ledrana"), Qt::CaseInsensitive) == 0;
}

} // namespace

SaveRefusal checkSave(const QString& amountText, const db::Dataset& entry)
{
    const bool open = entry.isOpen() && entry.recNo() >= 0;
    if (amountText.trimmed().isEmpty() || !open || entry.asFloat(QStringLiteral("castka")) == 0)
        return SaveRefusal::ZeroAmount;
    for (const char* column : {"ico", "druh", "cis_fak"})
        if (entry.asString(QLatin1String(column)).trimmed().isEmpty())
            return SaveRefusal::Incomplete;
    if (entry.state() != db::Dataset::State::Edit)
        return SaveRefusal::NoChange;
    return SaveRefusal::None;
}

QString refusalText(SaveRefusal refusal)
{
    switch (refusal) {
    case SaveRefusal::ZeroAmount:
        return QStringLiteral("POZOR - nulová částka fa!");
    case SaveRefusal::Incomplete:
        return QStringLiteral("Není vyplněno: druh, IČO, číslo faktury, částka?");
    case SaveRefusal::NoChange:
        return QStringLiteral("Žádna zjištěná změna v záznamu");
    case SaveRefusal::None:
        break;
    }
    return {};
}

QVariantList rowValues(const db::Dataset& dataset)
{
    QVariantList values;
    for (int f = 0; f < dataset.fieldCount(); ++f)
        values << dataset.value(f);
    return values;
}

SaveOutcome saveRecord(db::Connection& connection, const QString& holder, const db::Dataset& entry,
                       const QVariantList& loaded, const QString& firstFP, const QString& firstFV, const QDate& today)
{
    const QVariantList current = rowValues(entry);
    const int fId = entry.requireField(QStringLiteral("id"));
    const int fPorCis = entry.requireField(QStringLiteral("por_cis"));
    const int fDruh = entry.requireField(QStringLiteral("druh"));
    const int fCislo = entry.requireField(QStringLiteral("cislo"));
    const int fCisFak = entry.requireField(QStringLiteral("cis_fak"));
    const int fCastka = entry.requireField(QStringLiteral("castka"));
    const int fNazev = entry.requireField(QStringLiteral("nazev"));
    const long long id = current[fId].toLongLong();
    const bool loadedUnfilled =
        loaded.size() == current.size() && loaded[fCastka].toDouble() == 0 && loaded[fNazev].isNull();

    SaveOutcome out;
    runShared(connection, [&] {
        out = SaveOutcome();
        QVariantList values = current;
        const QString kind = values[fDruh].toString().trimmed();

        // Is the row still the one this panel was given?
        bool moved = false;
        if (loadedUnfilled) {
            const QVariantList row =
                firstRow(connection,
                         QStringLiteral("select castka, nazev, por_cis from ledrana where id = %1 for update").arg(id));
            moved = row.isEmpty() || row[0].toDouble() != 0 || !row[1].isNull() ||
                    row[2].toLongLong() != loaded[fPorCis].toLongLong() || heldByOther(connection, holder, id);
        }
        const long long exclude = moved ? 0 : id;

        if (moved || values[fPorCis].toLongLong() == 0) {
            values[fPorCis] = nextRegisterNumber(connection, today);
            out.porCisAssigned = true;
        }

        // A number within the kind that another row has: the record whose number is newer
        // gives way. That is this record when it got its number in this edit (or is new
        // here), or when the other row is the older one (a copy keeps its source's number
        // until it is saved).
        bool renumber = values[fCislo].isNull();
        if (!renumber) {
            const bool givenNow = moved || loaded.size() != values.size() || loaded[fCislo].isNull() ||
                                  loaded[fCislo].toLongLong() != values[fCislo].toLongLong() ||
                                  loaded[fDruh].toString().trimmed() != kind;
            const QVariant other = connection.scalar(QStringLiteral("select min(id) from ledrana where druh = %1 "
                                                                    "and cislo = %2 and id <> %3")
                                                         .arg(db::quote(kind))
                                                         .arg(values[fCislo].toLongLong())
                                                         .arg(exclude));
            renumber = !other.isNull() && (givenNow || other.toLongLong() < id);
            out.renumbered = renumber;
            out.oldCislo = values[fCislo].toLongLong();
        }
        if (renumber) {
            const QVariant highest =
                connection.scalar(QStringLiteral("select max(cislo) from ledrana where druh = %1 and id <> %2")
                                      .arg(db::quote(kind))
                                      .arg(exclude));
            const long long next = highest.isNull() ? wholeNumber(kind == QLatin1String("FP") ? firstFP : firstFV) + 1
                                                    : highest.toLongLong() + 1;
            const QString fak = values[fCisFak].toString().trimmed();
            if (kind == QLatin1String("FV") &&
                (fak.isEmpty() || (out.renumbered && fak == QString::number(out.oldCislo))))
                values[fCisFak] = QString::number(next);
            values[fCislo] = next;
        }
        out.cislo = values[fCislo].toLongLong();
        out.porCis = values[fPorCis].toLongLong();

        QStringList columns;
        QVariantList params;
        for (int f = 0; f < entry.fieldCount(); ++f) {
            if (f == fId || !isLedranaColumn(entry.field(f)))
                continue;
            const bool changed =
                loaded.size() != values.size() || loaded[f] != values[f] || loaded[f].isNull() != values[f].isNull();
            if (moved || changed) {
                columns << db::identifier(entry.field(f).column);
                params << values[f];
            }
        }
        if (moved) {
            QStringList marks;
            for (qsizetype i = 0; i < columns.size(); ++i)
                marks << QStringLiteral("?");
            connection.executeParams(QStringLiteral("insert into ledrana (%1) values (%2)")
                                         .arg(columns.join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))),
                                     params);
            out.id = static_cast<long long>(connection.lastInsertId());
            out.movedToNewRow = true;
        } else {
            if (!columns.isEmpty()) {
                for (QString& c : columns)
                    c += QStringLiteral(" = ?");
                params << id;
                connection.executeParams(
                    QStringLiteral("update ledrana set %1 where id = ?").arg(columns.join(QStringLiteral(", "))),
                    params);
            }
            out.id = id;
        }
        connection.execute(QStringLiteral("delete from ledrana_zamky where drzitel = %1").arg(db::quote(holder)));
    });
    return out;
}

void clearRecord(db::Connection& connection, long long id)
{
    connection.execute(QStringLiteral("update ledrana set por_cis = 0, datum = NULL, ico = \"\", druh = \"\", "
                                      "nazev = NULL, cis_fak = NULL, d_text = NULL, castka = 0, splatnost = NULL, "
                                      "cis_dodav = NULL, icos = NULL, sesnimana = \"N\" where id = %1")
                           .arg(id));
}

void clearCurrentRow(db::Dataset& dataset)
{
    editAndPost(dataset, [&] {
        dataset.setValue(QStringLiteral("por_cis"), 0);
        dataset.setValue(QStringLiteral("datum"), QVariant());
        dataset.setValue(QStringLiteral("ico"), QStringLiteral(""));
        dataset.setValue(QStringLiteral("druh"), QStringLiteral(""));
        for (const char* column : {"nazev", "cis_fak", "d_text", "splatnost", "cis_dodav", "icos"})
            dataset.setValue(QLatin1String(column), QVariant());
        dataset.setValue(QStringLiteral("castka"), 0.0);
        dataset.setValue(QStringLiteral("sesnimana"), QStringLiteral("N"));
    });
}

long long copyRecord(db::Connection& connection, long long sourceId, const QDate& today)
{
    long long newId = 0;
    try {
        runShared(connection, [&] {
            connection.execute(QStringLiteral("drop temporary table if exists _kopie"));
            connection.execute(
                QStringLiteral("create temporary table _kopie select * from ledrana where id = %1").arg(sourceId));
            const long long number = nextRegisterNumber(connection, today);
            // id 0: the server gives the copy an id of its own.
            connection.execute(QStringLiteral("update _kopie set id = 0, por_cis = %1, datum = %2, castka = 0, "
                                              "odeslani = NULL, splatnost = NULL")
                                   .arg(number)
                                   .arg(db::quoteDate(today)));
            if (connection.executeParams(QStringLiteral("insert into ledrana select * from _kopie"), {}) == 0)
                throw db::Error(QStringLiteral("Nelze, prázdný záznam!"));
            newId = static_cast<long long>(connection.lastInsertId());
            connection.execute(QStringLiteral("drop temporary table if exists _kopie"));
        });
    } catch (...) {
        try {
            connection.execute(QStringLiteral("drop temporary table if exists _kopie"));
        } catch (...) {
        }
        throw;
    }
    return newId;
}

bool isDeleteMarked(const QString& name)
{
    return name.left(5) == QStringLiteral("Výmaz");
}

void markDeleted(db::Dataset& dataset, const QDate& today)
{
    const QString formerIco = dataset.asString(QStringLiteral("ico"));
    editAndPost(dataset, [&] {
        dataset.setValue(QStringLiteral("nazev"), QStringLiteral("Výmaz dne: ") + base::formatShortDate(today) +
                                                      QStringLiteral(" IČO: ") + formerIco);
        dataset.setValue(QStringLiteral("ico"), QStringLiteral(""));
        dataset.setValue(QStringLiteral("cislo"), QVariant());
        dataset.setValue(QStringLiteral("d_text"), QVariant());
        dataset.setValue(QStringLiteral("castka"), 0.0);
        for (const char* column : {"splatnost", "cis_dodav", "icos", "zaloha"})
            dataset.setValue(QLatin1String(column), QVariant());
    });
}

} // namespace entry
