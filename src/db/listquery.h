#pragma once

#include <QString>
#include <QStringList>

// The query behind the invoice list: five lines, the third the selection condition.
namespace db {

constexpr int kSelectionLine = 2;

QStringList listQueryLines(const QString& selection = QString());

} // namespace db
