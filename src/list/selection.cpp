#include "list/selection.h"

#include "db/sqltext.h"

#include <QDate>

namespace list {

void orderList(db::Dataset& list, const QString& keys)
{
    const QVariant current = list.value(QStringLiteral("por_cis"));
    for (const QString& key : keys.split(QLatin1Char(','), Qt::SkipEmptyParts))
        list.requireField(key.trimmed());
    list.setSortKeys(keys);
    if (list.isEmpty())
        return;
    if (current.isNull() || !list.locate(QStringLiteral("por_cis"), current))
        list.first();
}

QString selectionCondition(const db::Dataset& list, const QString& name, db::FieldKind kind)
{
    if (name == QLatin1String("ZAPL")) {
        const QString paid = QStringLiteral("((ledrana.castka = ledrana.zaplaceno) and (ledrana.castka <> 0)) = false");
        return list.asString(name) == QLatin1String("A") ? QStringLiteral("where ") + paid
                                                         : QStringLiteral("where not ") + paid;
    }
    if (name == QLatin1String("typ")) {
        return list.asString(name) == QLatin1String("D") ? QStringLiteral("where (dokladya.typ is not null)")
                                                         : QStringLiteral("where (dokladya.typ is null)");
    }
    const QVariant v = list.value(name); // NULL or an empty list: empty text, 0, no date
    const QString column = QStringLiteral("where ledrana.") + name + QStringLiteral(" = ");
    switch (kind) {
    case db::FieldKind::Text:
        return column + db::quote(v.toString());
    case db::FieldKind::Float:
        return column + db::number(v.toDouble());
    case db::FieldKind::Date: {
        // A missing date is the day zero of the date arithmetic: no invoice has it.
        const QDate d = v.toDate().isValid() ? v.toDate() : QDate(1899, 12, 30);
        return column + db::quoteDate(d);
    }
    default:
        return {};
    }
}

} // namespace list
