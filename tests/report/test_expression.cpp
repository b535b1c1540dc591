// Memo texts: [...] expressions, references, functions, format tags and brackets.
#include "reporttest.h"

#include <gtest/gtest.h>

namespace {

// One data row and the variables the expressions may read.
struct ExprFixture
{
    report::Report report;
    report::TableDataSource data{{"CASTKA", "ZAPLACENO", "DRUH", "NAZEV", "DATUM"}};

    ExprFixture()
    {
        data.addRow({1234.5, QVariant(), QStringLiteral("FP"), QStringLiteral("Alfa s.r.o."), QDate(2024, 3, 5)});
    }

    // The text the memo prints; a ReportError's message when the report cannot be prepared.
    QString expand(const QString& text)
    {
        reporttest::oneMemoDesign(report.design(), text);
        report.setVariable(QStringLiteral("firma"), report::Report::quoted(QStringLiteral("O'Brien")));
        report.setVariable(QStringLiteral("prazdna"), QStringLiteral("''"));
        report.setVariable(QStringLiteral("spatna"), QStringLiteral("'O'Brien'"));
        report.setVariable(QStringLiteral("dvojnasobek"), QStringLiteral("<frxDBDataset1.\"CASTKA\"> * 2"));
        report.bindDataSource(QStringLiteral("frxDBDataset1"), &data);
        try {
            report.prepare();
        } catch (const report::ReportError& e) {
            return QStringLiteral("ERROR: ") + e.message();
        }
        const QStringList texts = report.pageTexts(0);
        return texts.value(0);
    }
};

} // namespace

TEST(ReportExpression, MemoTextsExpandAsInTheTable)
{
    reporttest::useCzechLocale();
    struct Case
    {
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        // references, bare and in angle brackets; a text around them stays
        {"[<frxDBDataset1.\"CASTKA\">]", "1234,5"},
        {"[frxDBDataset1.\"castka\"]", "1234,5"},
        {"Firma: [<firma>], [firma]!", "Firma: O'Brien, O'Brien!"},
        {"[prazdna]|", "|"},
        {"[dvojnasobek]", "2469"},
        {"[<frxDBDataset1.\"NAZEV\"> + ' / ' + <frxDBDataset1.\"DRUH\">]", "Alfa s.r.o. / FP"},
        // null counts as zero in arithmetic
        {"[<frxDBDataset1.\"CASTKA\"> - <frxDBDataset1.\"ZAPLACENO\">]", "1234,5"},
        {"[-<frxDBDataset1.\"CASTKA\">]", "-1234,5"},
        // operators and Pascal precedence
        {"[1 + 2 * 3] [(1 + 2) * 3] [7 div 2] [7 mod 2] [7 / 2]", "7 9 3 1 3,5"},
        {"[1 + 2 = 3] [2 < 1] [3 or 4] [6 and 3] [1 < 2 and 3]", "True False 7 2 True"},
        {"[not (1 > 2)] [1 <> 1] ['a' < 'b'] [<frxDBDataset1.\"CASTKA\"><2000]", "True False True True"},
        // after an operator word '<' opens a reference: "6 and <x>" is 6 and 1234
        {"[6 and <frxDBDataset1.\"CASTKA\">] [not <frxDBDataset1.\"CASTKA\"> > 0]", "2 False"},
        // functions
        {"[IIF(<frxDBDataset1.\"DRUH\"> <> 'FP', 'vydaná', 'přijatá')]", "přijatá"},
        {"[Copy('abcdef', 2, 3)] [UpperCase(Trim('  ab '))] [IntToStr(42)]", "bcd AB 42"},
        {"[Round(2.5)] [Round(3.5)] [Round(-2.6)]", "2 4 -3"},
        {"[FormatFloat('#,##0.00', <frxDBDataset1.\"CASTKA\">)]", "1\u00A0234,50"},
        {"[FormatDateTime('dd.mm.yyyy', <frxDBDataset1.\"DATUM\">)]", "05.03.2024"},
        // format tags
        {"Částka: [<frxDBDataset1.\"CASTKA\"> #n%2.2n] Kč", "Částka: 1\u00A0234,50 Kč"},
        {"[<frxDBDataset1.\"CASTKA\"> #n### ### ##0]", "1 235"},
        {"[<frxDBDataset1.\"DATUM\"> #ddd.mm.yyyy]", "05.03.2024"},
        {"[1 = 1 #bne,ano] [1 = 2 #bne,ano]", "ano ne"},
        // brackets: nested ones are sub-expressions, quoted ones are text, unmatched ones print
        {"[IIF([<frxDBDataset1.\"CASTKA\"> > 1000], 'velká', 'malá')]", "velká"},
        {"['it''s [not] a bracket']", "it's [not] a bracket"},
        {"a [unclosed", "a [unclosed"},
        {"[Page#] / [TotalPages#] [Line#]", "1 / 1 1"},
        {"", ""},
    };
    ExprFixture f;
    for (const Case& c : cases)
        EXPECT_EQ(f.expand(QString::fromUtf8(c.text)), QString::fromUtf8(c.expected)) << "text: " << c.text;
}

TEST(ReportExpression, FaultyExpressionsNameTheObjectAndTheFault)
{
    reporttest::useCzechLocale();
    struct Case
    {
        const char* text;
        const char* fault;
    };
    const Case cases[] = {
        {"[1 +]", "neúplný výraz"},
        {"[neznama]", "neznámý název „neznama“"},
        {"[<frxDBDataset1.\"NENI\">]", "neznámé pole frxDBDataset1.\"NENI\""},
        {"[Bogus(1)]", "neznámá funkce „Bogus“"},
        {"[SUM(1, NeniPas)]", "neznámý pás „NeniPas“"},
        // a name with an apostrophe put into the variable unchanged ends the text early
        {"[spatna]", "proměnná „spatna“: nečekaný znak „Brien“"},
    };
    ExprFixture f;
    for (const Case& c : cases) {
        const QString result = f.expand(QString::fromUtf8(c.text));
        EXPECT_TRUE(result.startsWith(QLatin1String("ERROR: "))) << c.text;
        EXPECT_TRUE(result.contains(QLatin1String("Memo1"))) << result.toStdString();
        EXPECT_TRUE(result.contains(QString::fromUtf8(c.fault))) << result.toStdString();
    }
}
