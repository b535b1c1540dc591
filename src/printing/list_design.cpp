#include "printing/list_design.h"

#include "report/design.h"

using report::Band;
using report::HAlign;
using report::mm;
using report::ReportObject;

namespace printing {

namespace {

const QString kDataset = QStringLiteral("frxDBDataset1");

void setFont(ReportObject& m, int pixels, int style = 0)
{
    m.font.name = QStringLiteral("Tahoma");
    m.font.height = -pixels;
    m.font.style = style;
    m.parentFont = false;
}

QString field(const char* name)
{
    return QStringLiteral("<%1.\"%2\">").arg(kDataset, QLatin1String(name));
}

struct Column
{
    const char* heading;
    double headingLeft, headingWidth;
    const char* field; // nullptr: amount minus paid
    double left, width;
    HAlign align;
};

const Column kColumns[] = {
    {"poř.číslo", 0, 14, "POR_CIS", 0, 14, HAlign::Left},
    {"druh", 15, 7, "DRUH", 15, 7, HAlign::Left},
    {"IČO", 23, 16, "ICO", 23, 16, HAlign::Left},
    {"firma", 40, 14, "NAZEV", 40, 74, HAlign::Left},
    {"číslo fa", 114, 14, "CIS_FAK", 114, 14, HAlign::Left},
    {"splatnost", 132, 14, "SPLATNOST", 129, 17, HAlign::Left},
    {"částka", 146, 14, "CASTKA", 146, 14, HAlign::Right},
    {"uhrazeno", 161, 14, "ZAPLACENO", 161, 14, HAlign::Right},
    {"k úhradě", 176, 14, nullptr, 176, 14, HAlign::Right},
};

// Sum over the printed rows whose kind is not `kind` of the given amount expression.
QString sumNotKind(const char* kind, const QString& amount)
{
    return QStringLiteral("SUM(IIF(%1 <> '%2', %3, 0), MasterData1)").arg(field("DRUH"), QLatin1String(kind), amount);
}

} // namespace

void buildListDesign(report::Design& design)
{
    design.clear();
    design.addDataset(kDataset);
    design.variables.append({QStringLiteral(" data"), QString()});
    design.variables.append({QStringLiteral("firma"), QStringLiteral("''")});

    report::ReportPage& page = design.addPage(QStringLiteral("Page1"));
    page.paperWidth = 210;
    page.paperHeight = 297;
    page.paperSize = 9;
    page.leftMargin = page.rightMargin = page.topMargin = page.bottomMargin = 10;
    const double width = 190;

    Band& title = page.addBand(Band::Kind::ReportTitle, QStringLiteral("ReportTitle1"), mm(20));
    int n = 0;
    auto name = [&n] { return QStringLiteral("Memo%1").arg(++n); };
    {
        ReportObject& firma = title.addMemo(name(), QRectF(0, 0, mm(width), mm(6)), QStringLiteral("[firma]"));
        setFont(firma, 16);
        firma.hAlign = HAlign::Center;
        ReportObject& heading = title.addMemo(name(), QRectF(0, mm(6), mm(width), mm(9)),
                                              QStringLiteral("SEZNAM VYBRANÝCH ZÁZNAMŮ KNIHY FAKTUR"));
        setFont(heading, 20);
        heading.hAlign = HAlign::Center;
        for (const Column& c : kColumns) {
            ReportObject& h = title.addMemo(name(), QRectF(mm(c.headingLeft), mm(15), mm(c.headingWidth), mm(4)),
                                            QString::fromUtf8(c.heading));
            setFont(h, 11, 2);
            h.wordWrap = false;
        }
        title.addLine(QStringLiteral("Line1"), QRectF(0, mm(19), mm(width), 0));
    }

    Band& data = page.addBand(Band::Kind::MasterData, QStringLiteral("MasterData1"), mm(4.5));
    data.dataSetName = kDataset;
    for (const Column& c : kColumns) {
        ReportObject& m = data.addMemo(name(), QRectF(mm(c.left), 0, mm(c.width), mm(4.5)), QString());
        if (c.field) {
            m.dataSetName = kDataset;
            m.dataField = QLatin1String(c.field);
        } else {
            m.text = QStringLiteral("[%1 - %2]").arg(field("CASTKA"), field("ZAPLACENO"));
        }
        setFont(m, 12);
        m.hAlign = c.align;
        m.wordWrap = false;
    }

    Band& summary = page.addBand(Band::Kind::ReportSummary, QStringLiteral("ReportSummary1"), mm(44));
    {
        const QString amount = field("CASTKA");
        const QString unpaid = QStringLiteral("(%1 - %2)").arg(field("CASTKA"), field("ZAPLACENO"));
        struct Line
        {
            const char* label;
            bool heading;
            QString value;
        };
        const Line lines[] = {
            {"Celkem", true, QString()},
            {"Saldo", false, sumNotKind("FP", amount) + QStringLiteral(" - ") + sumNotKind("FV", amount)},
            {"Vydané faktury", false, sumNotKind("FP", amount)},
            {"Přijaté faktury", false, sumNotKind("FV", amount)},
            {"Neuhrazeno", true, QString()},
            {"Saldo", false, sumNotKind("FP", unpaid) + QStringLiteral(" - ") + sumNotKind("FV", unpaid)},
            {"Vydané faktury", false, sumNotKind("FP", unpaid)},
            {"Přijaté faktury", false, sumNotKind("FV", unpaid)},
        };
        const double lineHeight = 5.5;
        double top = 0;
        for (const Line& l : lines) {
            ReportObject& label = summary.addMemo(
                name(), QRectF(mm(l.heading ? 0 : 7), mm(top), mm(39), mm(lineHeight)), QString::fromUtf8(l.label));
            setFont(label, 13, l.heading ? 0 : 1);
            label.wordWrap = false;
            if (!l.heading) {
                ReportObject& value = summary.addMemo(name(), QRectF(mm(width - 39), mm(top), mm(39), mm(lineHeight)),
                                                      QStringLiteral("[%1]").arg(l.value));
                setFont(value, 13, 1);
                value.hAlign = HAlign::Right;
                value.wordWrap = false;
                value.displayFormat.kind = report::DisplayFormat::Kind::Numeric;
                value.displayFormat.formatStr = QStringLiteral("### ### ##0");
            }
            top += lineHeight;
        }
    }

    Band& footer = page.addBand(Band::Kind::PageFooter, QStringLiteral("PageFooter1"), mm(6));
    {
        ReportObject& date = footer.addMemo(name(), QRectF(0, 0, mm(20), mm(6)), QStringLiteral("[Date]"));
        setFont(date, 11);
        date.wordWrap = false;
        ReportObject& pageNo =
            footer.addMemo(name(), QRectF(mm(width - 20), 0, mm(20), mm(6)), QStringLiteral("[Page#]"));
        setFont(pageNo, 11);
        pageNo.hAlign = HAlign::Right;
        pageNo.wordWrap = false;
    }
}

} // namespace printing
