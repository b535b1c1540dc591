#pragma once

#include <QList>
#include <QString>

namespace db {
class Dataset;
}

// The signed sum of the invoice list: issued invoices ("FV") count positive, all other
// kinds negative, a NULL amount 0.
namespace list {

// Sums every row of the list, or only the marked rows (list order) when two or more are
// marked. The current row does not move. A closed list raises the data layer's error.
double signedSum(db::Dataset& list, const QList<int>& markedRows);

// The sum panel's text: "Součet výběru Kč: " and the sum in general number format with
// this decimal separator.
QString sumText(double sum, QChar decimalSeparator);

} // namespace list
