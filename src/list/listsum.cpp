#include "list/listsum.h"

#include "base/formats.h"
#include "db/dataset.h"

namespace list {

double signedSum(db::Dataset& list, const QList<int>& markedRows)
{
    if (!list.isOpen())
        list.first(); // raises the closed list's error
    const int druh = list.requireField(QStringLiteral("druh"));
    const int castka = list.requireField(QStringLiteral("castka"));
    long double sum = 0;
    auto add = [&](int row) {
        const QVariant amount = list.valueAt(row, castka);
        if (amount.isNull())
            return;
        const long double value = amount.toDouble();
        if (list.valueAt(row, druh).toString() == QLatin1String("FV"))
            sum += value;
        else
            sum -= value;
    };
    if (markedRows.size() < 2) {
        for (int r = 0; r < list.recordCount(); ++r)
            add(r);
    } else {
        for (int r : markedRows)
            if (r >= 0 && r < list.recordCount())
                add(r);
    }
    return double(sum);
}

QString sumText(double sum, QChar decimalSeparator)
{
    return QStringLiteral("Součet výběru Kč: ") + base::generalNumber(sum, decimalSeparator);
}

} // namespace list
