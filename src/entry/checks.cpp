#include "entry/checks.h"

#include "db/connection.h"
#include "db/error.h"
#include "db/sqltext.h"
#include "entry/claims.h"

#include <QDate>

#include <cstdlib>

namespace entry {

QString emptyDateText()
{
    return QStringLiteral("  .  .    ");
}

long long wholeNumber(const QString& text)
{
    bool ok = false;
    const long long n = text.trimmed().toLongLong(&ok);
    if (!ok)
        throw db::Error(QStringLiteral("'%1' není platné celé číslo").arg(text));
    return n;
}

long long numberInKind(db::Connection& connection, const QString& kind, const QString& firstFP, const QString& firstFV)
{
    const QVariant highest = connection.scalar(
        QStringLiteral("select max(cislo) as mcislo from ledrana where druh = %1").arg(db::quote(kind)));
    if (!highest.isNull())
        return highest.toLongLong() + 1;
    return wholeNumber(kind == QLatin1String("FP") ? firstFP : firstFV) + 1;
}

QString newestName(db::Connection& connection, const QString& ico)
{
    return connection
        .scalar(
            QStringLiteral("select nazev from ledrana where ico = %1 order by id desc limit 0,1").arg(db::quote(ico)))
        .toString();
}

bool invoiceNumberExists(db::Connection& connection, const QString& ico, const QString& invoiceNumber,
                         long long excludeId)
{
    return !firstRow(connection, QStringLiteral("select cis_fak from ledrana where ico = %1 and id <> %2\n"
                                                "and cis_fak = %3 limit 0,1")
                                     .arg(db::quote(ico))
                                     .arg(excludeId)
                                     .arg(db::quote(invoiceNumber)))
                .isEmpty();
}

bool textUsedElsewhere(db::Connection& connection, const QString& text, long long excludeId)
{
    return !firstRow(connection, QStringLiteral("select d_text from ledrana where d_text = %1 and id <> %2 limit 0,1")
                                     .arg(db::quote(text))
                                     .arg(excludeId))
                .isEmpty();
}

int daysBetween(const QString& shownA, const QString& shownB)
{
    if (shownA == emptyDateText() || shownB == emptyDateText())
        return 0;
    const QDate a = QDate::fromString(shownA.trimmed(), QStringLiteral("dd.MM.yyyy"));
    const QDate b = QDate::fromString(shownB.trimmed(), QStringLiteral("dd.MM.yyyy"));
    if (!a.isValid() || !b.isValid())
        return 0;
    return int(std::llabs(a.daysTo(b)));
}

} // namespace entry
