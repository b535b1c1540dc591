#include "pruvodka_design.h"

#include "report/design.h"

using report::Band;
using report::HAlign;
using report::mm;
using report::ReportObject;
using report::VAlign;

namespace {

const QString kDataset = QStringLiteral("frxDBDataset1");

void style(ReportObject& m, int pixels, int fontStyle = 0)
{
    m.font.name = QStringLiteral("Tahoma");
    m.font.height = -pixels;
    m.font.style = fontStyle;
    m.parentFont = false;
}

QString field(const char* name)
{
    return QStringLiteral("<%1.\"%2\">").arg(kDataset, QLatin1String(name));
}

} // namespace

void buildPruvodkaDesign(report::Design& design)
{
    design.clear();
    design.addDataset(kDataset);
    design.variables.append({QStringLiteral(" data"), QString()});
    design.variables.append({QStringLiteral("firma"), QStringLiteral("''")});

    report::ReportPage& page = design.addPage(QStringLiteral("Page1"));
    const double width = 190;
    Band& sheet = page.addBand(Band::Kind::MasterData, QStringLiteral("MasterData1"), mm(277));
    sheet.dataSetName = kDataset;
    sheet.startNewPage = true;

    int n = 0;
    auto name = [&n] { return QStringLiteral("Memo%1").arg(++n); };
    auto memo = [&](double left, double top, double w, double h, const QString& text) -> ReportObject& {
        ReportObject& m = sheet.addMemo(name(), QRectF(mm(left), mm(top), mm(w), mm(h)), text);
        style(m, 13);
        return m;
    };

    ReportObject& firma = memo(0, 0, width, 7, QStringLiteral("[firma]"));
    style(firma, 16, 1);
    firma.hAlign = HAlign::Center;
    ReportObject& title = memo(0, 9, width, 10, QStringLiteral("PRŮVODKA PŘIJATÉ FAKTURY"));
    style(title, 24, 1);
    title.hAlign = HAlign::Center;
    sheet.addLine(QStringLiteral("Line1"), QRectF(0, mm(21), mm(width), 0)).frame.width = 2;

    // The invoice: label and value boxes.
    struct Row
    {
        const char* label;
        QString value;
        double height;
    };
    const QString date = QStringLiteral(" #ddd.mm.yyyy]");
    const Row rows[] = {
        {"Pořadové číslo", QStringLiteral("[%1]").arg(field("POR_CIS")), 8},
        {"Druh a číslo", QStringLiteral("[%1] / [%2]").arg(field("DRUH"), field("CISLO")), 8},
        {"Datum zápisu", QStringLiteral("[%1").arg(field("DATUM")) + date, 8},
        {"IČO", QStringLiteral("[%1]").arg(field("ICO")), 8},
        {"Dodavatel", QStringLiteral("[%1]").arg(field("NAZEV")), 8},
        {"Číslo faktury", QStringLiteral("[%1]").arg(field("CIS_FAK")), 8},
        {"Text", QStringLiteral("[%1]").arg(field("D_TEXT")), 16},
        {"Částka", QStringLiteral("[%1 #n%2.2n] Kč").arg(field("CASTKA")), 8},
        {"Datum vystavení", QStringLiteral("[%1").arg(field("ODESLANI")) + date, 8},
        {"Datum splatnosti", QStringLiteral("[%1").arg(field("SPLATNOST")) + date, 8},
        {"Uhrazeno", QStringLiteral("[%1 #n%2.2n] Kč").arg(field("ZAPLACENO")), 8},
    };
    double top = 25;
    for (const Row& r : rows) {
        ReportObject& label = memo(0, top, 50, r.height, QString::fromUtf8(r.label));
        style(label, 13, 1);
        label.frame.typ = 15;
        label.color = QColor(0xF0, 0xF0, 0xF0);
        label.vAlign = VAlign::Center;
        ReportObject& value = memo(50, top, width - 50, r.height, r.value);
        value.frame.typ = 15;
        value.vAlign = r.height > 8 ? VAlign::Top : VAlign::Center;
        if (r.label == std::string_view("Částka") || r.label == std::string_view("Uhrazeno"))
            style(value, 13, 1);
        top += r.height;
    }

    // The office's approval route: who, name, date, signature.
    top += 8;
    ReportObject& route = memo(0, top, width, 8, QStringLiteral("Schvalovací postup"));
    style(route, 15, 1);
    top += 9;
    struct Col
    {
        const char* heading;
        double left, width;
    };
    const Col cols[] = {{"Krok", 0, 55}, {"Jméno", 55, 50}, {"Datum", 105, 30}, {"Podpis", 135, 55}};
    for (const Col& c : cols) {
        ReportObject& h = memo(c.left, top, c.width, 7, QString::fromUtf8(c.heading));
        style(h, 12, 1);
        h.hAlign = HAlign::Center;
        h.vAlign = VAlign::Center;
        h.frame.typ = 15;
        h.color = QColor(0xC0, 0xC0, 0xC0);
    }
    top += 7;
    const char* steps[] = {"Přijal (podatelna)", "Věcná kontrola",     "Schválil (příkazce operace)",
                           "Správce rozpočtu",   "Zaúčtoval (účetní)", "Předáno k úhradě"};
    for (const char* step : steps) {
        for (const Col& c : cols) {
            ReportObject& cell = memo(c.left, top, c.width, 12, c.left == 0 ? QString::fromUtf8(step) : QString());
            cell.frame.typ = 15;
            cell.vAlign = VAlign::Center;
        }
        top += 12;
    }

    top += 8;
    ReportObject& notes = memo(0, top, width, 30, QStringLiteral("Poznámky:"));
    style(notes, 12, 2);
    notes.frame.typ = 15;

    ReportObject& printed = memo(0, 270, 100, 6, QStringLiteral("Vytištěno [Date]"));
    style(printed, 11);
    ReportObject& pageNo = memo(width - 60, 270, 60, 6, QStringLiteral("Strana [Page#] z [TotalPages#]"));
    style(pageNo, 11);
    pageNo.hAlign = HAlign::Right;
}
