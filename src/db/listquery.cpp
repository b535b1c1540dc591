#include "db/listquery.h"

namespace db {

QStringList listQueryLines(const QString& selection)
{
    return {
        QStringLiteral("SELECT ledrana.*, IF((castka = zaplaceno) and (castka <> 0), \"A\", \"N\") as ZAPL, "
                       "if(dokladya.typ is null, \"\", \"D\") as typ  FROM ledrana "),
        QStringLiteral("LEFT JOIN dokladya   ON ledrana.por_cis=dokladya.por_cis"),
        selection,
        QStringLiteral("group by ledrana.por_cis"),
        QString(),
    };
}

} // namespace db
