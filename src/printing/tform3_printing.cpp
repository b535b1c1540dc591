// The main window's printing: the cover sheet of the record in the panel, the cover sheets
// of the marked received invoices, and the list print.
#include "app/guard.h"
#include "app/messagedialog.h"
#include "base/formats.h"
#include "db/sqltext.h"
#include "list/tform3.h"
#include "printing/list_design.h"
#include "printing/printtable.h"
#include "printing/runreport.h"
#include "report/report.h"

#include <QPushButton>

void Tform3::connectPrinting()
{
    frxReport1 = std::make_unique<report::Report>();
    printing::buildListDesign(frxReport1->design());
    connect(ColorButton5, &QPushButton::clicked, this, [this] { app::guard(this, [&] { ColorButton5Click(); }); });
    connect(clrbutton1, &QPushButton::clicked, this, [this] { app::guard(this, [&] { clrbutton1Click(); }); });
    connect(ColorButton15, &QPushButton::clicked, this, [this] { app::guard(this, [&] { ColorButton15Click(); }); });
}

void Tform3::runReport(const QString& templateName, const db::Dataset& query)
{
    FormStorage1.setSection(QStringLiteral("Firma"));
    const QString company = FormStorage1.readString(QStringLiteral("Nazev"));
    FormStorage1.setSection(QString());
    printing::runReport(*frxReport1, templateName, query, company, this);
}

void Tform3::ColorButton5Click()
{
    if (ZQuery1.state() == db::Dataset::State::Edit) {
        app::MessageDialog::info(this, QStringLiteral("POZOR - neuložené změny záznamu!"));
        return;
    }
    if (base::roundHalfEven(ZQuery1.asFloat(QStringLiteral("castka"))) == 0) {
        app::MessageDialog::info(this, QStringLiteral("POZOR - nulová částka v záznamu!"));
        return;
    }
    if (ZQuery1.asString(QStringLiteral("druh")) == QLatin1String("FV")) {
        app::MessageDialog::info(this, QStringLiteral("Pouze u přijatých faktur!"));
        return;
    }
    runReport(QStringLiteral("pruvodka.fr3"), ZQuery2);
}

void Tform3::clrbutton1Click()
{
    const QList<int> marked = markedRows();
    if (marked.isEmpty()) {
        app::MessageDialog::info(this, QStringLiteral("Žádné vybrané záznamy pro tisk průvodky!"));
        return;
    }
    db::Dataset print(ZConnection1);
    printing::buildPrintTable(ZConnection1, ZQuery1.sql(), QStringLiteral("N"));
    // The marked rows of the list, found in the print table by id. The list's own row
    // and marks stay as they are.
    const int idField = ZQuery1.requireField(QStringLiteral("id"));
    QList<long long> ids;
    for (int row : marked)
        ids << ZQuery1.valueAt(row, idField).toLongLong();
    printing::markPrintRows(ZConnection1, ids);
    print.setSql(QStringLiteral("select * from _protisk where textm1 = \"A\" and druh = \"FP\" order by cis_fak"));
    print.open();
    if (print.isEmpty()) {
        app::MessageDialog::info(this, QStringLiteral("Žádný záznam o přijaté faktuře pro tisk průvodky!"));
        return;
    }
    runReport(QStringLiteral("pruvodka.fr3"), print);
}

void Tform3::ColorButton15Click()
{
    db::Dataset print(ZConnection1);
    printing::buildPrintTable(ZConnection1, ZQuery1.sql(), QStringLiteral("A"));
    print.sql() = QStringList{QStringLiteral("select * from _protisk where castka <> 0")};
    if (!ZQuery1.sortKeys().isEmpty())
        print.sql() << QStringLiteral("order by ") + ZQuery1.sortKeys();
    print.open();
    runReport(QStringLiteral("seznam.fr3"), print);
}
