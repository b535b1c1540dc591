// The list tools on a real register: ordering, narrowing, search, the signed sum and the
// .xls export read back by an independent reader.
#include "app/guard.h"
#include "app/messagedialog.h"
#include "base/formats.h"
#include "base/progdir.h"
#include "db/listquery.h"
#include "list/gridview.h"
#include "list/listexport.h"
#include "list/listmodel.h"
#include "list/searchdialog.h"
#include "list/tform3.h"
#include "testdb.h"
#include "testenv.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {

// Five invoices: Czech names that order c < č < d < ž, a name with a double quote, paid and
// unpaid rows, NULL amount / paid value / due date, and a document for invoice 2.
const char* const kInvoices =
    "insert into ledrana (por_cis, druh, cislo, datum, ico, nazev, cis_fak, castka, splatnost, dnu, zaplaceno) values "
    "(1, 'FP', 1, '2026-01-05', '12345678', 'Žluťoučký kůň s.r.o.', 'F-300', 1000.00, '2026-01-20', 15, 1000.00),"
    "(2, 'FV', 1, '2026-01-06', '87654321', 'Alfa a.s.', 'F-100', 1234.50, '2026-02-01', 26, 0),"
    "(3, 'FP', 2, '2026-01-07', '12345678', 'Čedok', 'F-200', 250.00, NULL, NULL, NULL),"
    "(4, 'FV', 2, '2026-01-08', '11111111', 'Beta \"Quote\" s.r.o.', 'F-050', 1234.50, '2026-02-01', 24, 1234.50),"
    "(5, 'FP', 3, '2026-01-09', '99999999', 'Delta', 'F-400', NULL, '2026-03-01', 51, 100.00)";

testenv::TestDb& database()
{
    static testenv::TestDb db(QStringLiteral("lt"));
    return db;
}

QJsonObject readXls(const QString& path, int head = -1)
{
    QString out;
    const int rc = testenv::run(QStringLiteral("/usr/bin/python3"),
                                {qEnvironmentVariable("LIST_XLS_READER"), path, QString::number(head)}, &out);
    EXPECT_EQ(rc, 0) << out.toStdString();
    return QJsonDocument::fromJson(out.toUtf8()).object();
}

QJsonArray xlsRow(const QJsonObject& book, int sheet, int row)
{
    return book[QStringLiteral("sheets")][sheet][QStringLiteral("rows")][QString::number(row)].toArray();
}

// A cell read back as "kind:value" ("number:1234.5", "date:2026-1-5", "text:A", "empty:").
QString xlsCell(const QJsonObject& book, int sheet, int row, int column)
{
    const QJsonArray cell = xlsRow(book, sheet, row)[column].toArray();
    const QString kind = cell[0].toString();
    QString value;
    if (kind == QLatin1String("number")) {
        value = QString::number(cell[1].toDouble(), 'g', 15);
    } else if (kind == QLatin1String("date")) {
        const QJsonArray d = cell[1].toArray();
        value = QStringLiteral("%1-%2-%3").arg(d[0].toInt()).arg(d[1].toInt()).arg(d[2].toInt());
    } else if (kind == QLatin1String("text")) {
        value = cell[1].toString();
    }
    return kind + QLatin1Char(':') + value;
}

// Types text into a widget key by key, Czech letters included.
void type(QWidget* widget, const QString& text)
{
    for (const QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, int(ch.toUpper().unicode()), Qt::NoModifier, QString(ch));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, int(ch.toUpper().unicode()), Qt::NoModifier, QString(ch));
        QApplication::sendEvent(widget, &release);
    }
}

class ListTools : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(base::decimalSeparator(), QLatin1Char(',')) << "the suite runs in a Czech locale";
        database().clear();
        database().exec(QString::fromUtf8(kInvoices));
        database().exec(QStringLiteral("insert into dokladya (ico, typ, por_cis) values ('87654321', 1, 2)"));
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = testenv::tmpDir() + QLatin1Char('/') + QString::fromLatin1(info->name()).replace(QLatin1Char('/'), '_');
        QDir().mkpath(m_dir);
        database().writeSettingsFile(m_dir);
        base::setProgramDirForTests(m_dir + QLatin1Char('/'));
        app::MessageDialog::setAutoAnswer(true);
        app::MessageDialog::takeShown();
        form = std::make_unique<Tform3>();
        form->show();
        form->Timer1->stop();
        ASSERT_TRUE(form->ZQuery1.isOpen());
        ASSERT_TRUE(app::MessageDialog::takeShown().isEmpty());
    }

    void TearDown() override
    {
        form.reset();
        app::MessageDialog::setAutoAnswer(false);
        app::MessageDialog::takeShown();
    }

    // Register numbers of the list, in list order.
    QList<int> listed() const
    {
        QList<int> out;
        const int f = form->ZQuery1.fieldIndex(QStringLiteral("por_cis"));
        for (int r = 0; r < form->ZQuery1.recordCount(); ++r)
            out << form->ZQuery1.valueAt(r, f).toInt();
        return out;
    }
    int current() const { return form->ZQuery1.value(QStringLiteral("por_cis")).toInt(); }
    void go(int porCis)
    {
        ASSERT_TRUE(form->ZQuery1.locate(QStringLiteral("por_cis"), porCis));
        form->syncGrid();
    }
    int column(const QString& field) const
    {
        const auto& cols = form->listModel->columns();
        for (int c = 0; c < cols.size(); ++c)
            if (cols[c].field == field)
                return c;
        return -1;
    }
    void mark(const QList<int>& rows)
    {
        auto* sel = form->RxDBGrid1->selectionModel();
        sel->clearSelection();
        for (int r : rows)
            sel->select(form->listModel->index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    bool toolButtonsEnabled() const
    {
        return form->ColorButton14->isEnabled() && form->ColorButton15->isEnabled() && form->clrbutton1->isEnabled();
    }

    QString m_dir;
    std::unique_ptr<Tform3> form;
};

// ---------------------------------------------------------------- ordering

TEST_F(ListTools, OrderingKeepsTheCurrentInvoice)
{
    struct Case
    {
        const char* name;
        QAction* Tform3::*action;
        const char* selectedField; // for the ordering by the selected column
        QList<int> order;
    };
    const Case cases[] = {
        {"name, Czech collation", &Tform3::Setditpodlenzvu1, nullptr, {2, 4, 3, 5, 1}},
        {"ico, por_cis", &Tform3::SetditpodleIA1, nullptr, {4, 1, 3, 2, 5}},
        {"invoice number", &Tform3::Setditpodleslafaktury1, nullptr, {4, 2, 3, 1, 5}},
        {"kind, number", &Tform3::Setdtpodlesladodavatele1, nullptr, {1, 3, 5, 2, 4}},
        {"amount column, NULL first", &Tform3::Setditpodlevybranhosloupce1, "CASTKA", {5, 3, 1, 2, 4}},
        {"due date column", &Tform3::Setditpodlevybranhosloupce1, "SPLATNOST", {3, 1, 2, 4, 5}},
        {"register number", &Tform3::Setdtpodlepoadovhosla1, nullptr, {1, 2, 3, 4, 5}},
        {"unordered", &Tform3::Nesetdn1, nullptr, {1, 2, 3, 4, 5}},
    };
    EXPECT_TRUE(form->Nesetdn1->isChecked());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        go(3);
        if (c.selectedField)
            form->selectedColumn = column(QString::fromLatin1(c.selectedField));
        (form.get()->*c.action)->trigger();
        EXPECT_EQ(listed(), c.order);
        EXPECT_EQ(current(), 3);
        EXPECT_EQ(form->RxDBGrid1->currentIndex().row(), form->ZQuery1.recNo());
        EXPECT_TRUE((form.get()->*c.action)->isChecked());
        EXPECT_TRUE(app::MessageDialog::takeShown().isEmpty());
    }
}

TEST_F(ListTools, OrderingByAColumnTheListLacksChangesNothing)
{
    QList<app::GridColumn> cols = form->listModel->columns();
    cols[0].field = QStringLiteral("nic_takoveho");
    form->listModel->setColumns(cols);
    form->SetditpodleIA1->trigger();
    form->selectedColumn = 0;
    form->Setditpodlevybranhosloupce1->trigger();
    EXPECT_EQ(app::MessageDialog::takeShown().size(), 1);
    EXPECT_TRUE(form->SetditpodleIA1->isChecked());
    // The earlier ordering stays, also for the next opening of the list.
    form->reopenList();
    EXPECT_EQ(listed(), (QList<int>{4, 1, 3, 2, 5}));
}

// ---------------------------------------------------------------- selection

TEST_F(ListTools, SelectionNarrowsToTheCurrentRowsValue)
{
    struct Case
    {
        const char* name;
        int row;                   // current invoice
        QAction* Tform3::*action;  // a selection item
        const char* selectedField; // for the selection by the selected column
        QList<int> listedAfter;
        const char* lineContains; // in the selection line
    };
    const Case cases[] = {
        {"IČO", 3, &Tform3::VybratIO1, nullptr, {1, 3}, "ledrana.ICO = \"12345678\""},
        {"kind", 2, &Tform3::Vybratdruh1, nullptr, {2, 4}, "ledrana.DRUH = \"FV\""},
        {"due date", 2, &Tform3::Vybratpodlesplatnosti1, nullptr, {2, 4}, "\"2026-02-01\""},
        {"no due date: empty list", 3, &Tform3::Vybratpodlesplatnosti1, nullptr, {}, "\"1899-12-30\""},
        {"register number: whole list", 2, &Tform3::Vybratpodlevybranhosloupce1, "POR_CIS", {1, 2, 3, 4, 5}, ""},
        {"number in kind: whole list", 2, &Tform3::Vybratpodlevybranhosloupce1, "CISLO", {1, 2, 3, 4, 5}, ""},
        {"days: whole list", 2, &Tform3::Vybratpodlevybranhosloupce1, "DNU", {1, 2, 3, 4, 5}, ""},
        {"amount with a period", 2, &Tform3::Vybratpodlevybranhosloupce1, "CASTKA", {2, 4}, "= 1234.5"},
        {"paid row: the unpaid, no NULLs", 1, &Tform3::Vybratpodlevybranhosloupce1, "ZAPL", {2}, "= false"},
        {"unpaid row: the paid, no NULLs", 2, &Tform3::Vybratpodlevybranhosloupce1, "ZAPL", {1, 4}, "where not"},
        {"with documents", 2, &Tform3::Vybratpodlevybranhosloupce1, "typ", {2}, "is not null"},
        {"without documents", 1, &Tform3::Vybratpodlevybranhosloupce1, "typ", {1, 3, 4, 5}, "is null"},
        {"name with a double quote", 4, &Tform3::Vybratpodlevybranhosloupce1, "NAZEV", {4}, "NAZEV ="},
        {"Czech name", 1, &Tform3::Vybratpodlevybranhosloupce1, "NAZEV", {1}, "Žluťoučký"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        form->Celseznam1->trigger();
        EXPECT_FALSE(form->ColorButton14->isEnabled());
        go(c.row);
        if (c.selectedField)
            form->selectedColumn = column(QString::fromLatin1(c.selectedField));
        (form.get()->*c.action)->trigger();
        EXPECT_TRUE(app::MessageDialog::takeShown().isEmpty());
        ASSERT_TRUE(form->ZQuery1.isOpen());
        EXPECT_EQ(listed(), c.listedAfter);
        EXPECT_TRUE(form->ZQuery1.sql()[db::kSelectionLine].contains(QString::fromUtf8(c.lineContains)))
            << form->ZQuery1.sql()[db::kSelectionLine].toStdString();
        EXPECT_EQ(form->ZQuery1.recNo(), c.listedAfter.isEmpty() ? -1 : 0);
        EXPECT_TRUE(toolButtonsEnabled());
        EXPECT_TRUE((form.get()->*c.action)->isChecked());
        EXPECT_FALSE(form->Celseznam1->isChecked());
    }
}

TEST_F(ListTools, SelectionTakesTheLastColumnOfTheFieldAsSelected)
{
    QList<app::GridColumn> cols = form->listModel->columns();
    cols.append(cols[column(QStringLiteral("ICO"))]);
    form->listModel->setColumns(cols);
    go(1);
    form->VybratIO1->trigger();
    EXPECT_EQ(form->selectedColumn, cols.size() - 1);
    EXPECT_EQ(listed(), (QList<int>{1, 3}));
}

TEST_F(ListTools, OrderingAndSelectionSurviveEachOtherAndReopening)
{
    form->SetditpodleIA1->trigger();
    go(2);
    form->Vybratdruh1->trigger();
    EXPECT_EQ(listed(), (QList<int>{4, 2}));
    EXPECT_TRUE(form->SetditpodleIA1->isChecked());
    EXPECT_TRUE(form->Vybratdruh1->isChecked());
    EXPECT_FALSE(form->VybratIO1->isChecked());

    // A record operation reopens the list: both stay.
    database().exec(QStringLiteral("insert into ledrana (por_cis, druh, ico, nazev, castka) "
                                   "values (6, 'FV', '00000001', 'Nová', 10)"));
    form->reopenList();
    EXPECT_EQ(listed(), (QList<int>{6, 4, 2}));

    form->Celseznam1->trigger();
    EXPECT_EQ(listed(), (QList<int>{6, 4, 1, 3, 2, 5}));
    EXPECT_EQ(current(), 5); // the last row
    EXPECT_TRUE(form->ZQuery1.sql()[db::kSelectionLine].isEmpty());
    EXPECT_TRUE(form->SetditpodleIA1->isChecked());
    EXPECT_TRUE(form->Celseznam1->isChecked());
    EXPECT_FALSE(form->ColorButton14->isEnabled());
    EXPECT_FALSE(form->ColorButton15->isEnabled());
    EXPECT_FALSE(form->clrbutton1->isEnabled());
}

TEST_F(ListTools, ClosedListAfterAFailedOpening)
{
    // The server refuses the list: one error box, the list stays closed.
    form->ZQuery1.sql()[db::kSelectionLine] = QStringLiteral("where nonsense(");
    app::guard(form.get(), [&] { form->reopenList(); });
    ASSERT_FALSE(form->ZQuery1.isOpen());
    EXPECT_EQ(app::MessageDialog::takeShown().size(), 1);

    form->VybratIO1->trigger();
    form->Vybratpodlevybranhosloupce1->trigger();
    EXPECT_FALSE(form->ZQuery1.isOpen());
    EXPECT_TRUE(app::MessageDialog::takeShown().isEmpty()) << "no second error for a selection on a closed list";
    EXPECT_TRUE(form->Celseznam1->isChecked());

    // The sum names the closed list once.
    form->ColorButton14->click();
    EXPECT_EQ(app::MessageDialog::takeShown().size(), 1);
    EXPECT_FALSE(form->LMDPanelFill1->isVisible());

    form->Celseznam1->trigger();
    ASSERT_TRUE(form->ZQuery1.isOpen());
    EXPECT_EQ(listed(), (QList<int>{1, 2, 3, 4, 5}));
}

// ---------------------------------------------------------------- search

TEST_F(ListTools, SearchNarrowsAndFollowsTheHighlightedEntry)
{
    go(1);
    list::SearchDialog dialog(form->ZQuery1, QStringLiteral("NAZEV"), form.get());
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Hledat"));
    EXPECT_EQ(dialog.fieldBox()->currentText().toLower(), QStringLiteral("nazev"));
    EXPECT_EQ(dialog.valueModel()->rowCount(), 5);

    struct Step
    {
        const char* typed; // appended to "Co hledat"
        QStringList entries;
        int current; // the list's invoice
    };
    const Step steps[] = {
        {"ČE", {QStringLiteral("Čedok")}, 3},
        {"\b\b", // every entry again, the first highlighted
         {QStringLiteral("Žluťoučký kůň s.r.o."), QStringLiteral("Alfa a.s."), QStringLiteral("Čedok"),
          QStringLiteral("Beta \"Quote\" s.r.o."), QStringLiteral("Delta")},
         1},
        {"a", {QStringLiteral("Alfa a.s."), QStringLiteral("Beta \"Quote\" s.r.o."), QStringLiteral("Delta")}, 2},
        {"\bŽLUŤ", {QStringLiteral("Žluťoučký kůň s.r.o.")}, 1},
        {"x", {}, 1}, // nothing matches: the list stays
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.typed);
        for (const QChar ch : QString::fromUtf8(s.typed)) {
            if (ch == QLatin1Char('\b'))
                QTest::keyClick(dialog.textEdit(), Qt::Key_Backspace);
            else
                type(dialog.textEdit(), QString(ch));
        }
        QStringList shown;
        for (int e = 0; e < dialog.valueModel()->rowCount(); ++e)
            shown << dialog.valueModel()->text(e);
        EXPECT_EQ(shown, s.entries);
        EXPECT_EQ(current(), s.current);
    }

    // The way out with Esc: back to the starting invoice.
    dialog.textEdit()->clear();
    QTest::keyClicks(dialog.textEdit(), QStringLiteral("del"));
    EXPECT_EQ(current(), 5);
    QTest::keyClick(dialog.textEdit(), Qt::Key_Escape);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(current(), 1);
}

TEST_F(ListTools, SearchWithoutPartsMatchesTheStartOfAValue)
{
    list::SearchDialog dialog(form->ZQuery1, QStringLiteral("cis_fak"), form.get());
    dialog.setMatchParts(false);
    dialog.show();
    QTest::keyClicks(dialog.textEdit(), QStringLiteral("00"));
    EXPECT_EQ(dialog.valueModel()->rowCount(), 0); // "F-300" holds it, but not at its start
    dialog.textEdit()->clear();
    QTest::keyClicks(dialog.textEdit(), QStringLiteral("f-2"));
    ASSERT_EQ(dialog.valueModel()->rowCount(), 1);
    EXPECT_EQ(current(), 3);
    QTest::keyClick(dialog.textEdit(), Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(current(), 3);
}

TEST_F(ListTools, SearchRefusesKeysTheFieldCannotHold)
{
    struct Case
    {
        const char* field;
        const char* typed;
        const char* kept;
    };
    const Case cases[] = {
        {"castka", "12x,5", "12,5"},
        {"por_cis", "a3-", "3-"},
        {"splatnost", "01.q02", "01.02"},
        {"nazev", "Ab1.", "Ab1."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        list::SearchDialog dialog(form->ZQuery1, QString::fromLatin1(c.field), form.get());
        dialog.show();
        QTest::keyClicks(dialog.textEdit(), QString::fromLatin1(c.typed));
        EXPECT_EQ(dialog.textEdit()->text(), QString::fromLatin1(c.kept));
        dialog.reject();
    }
}

TEST_F(ListTools, TitleClickSearchTakesTheChosenRow)
{
    go(5);
    bool done = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<list::SearchDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->fieldBox()->currentText().toLower(), QStringLiteral("ico"));
        QTest::keyClicks(dialog->textEdit(), QStringLiteral("1234"));
        QTest::keyClick(dialog->textEdit(), Qt::Key_Down);                       // the second of 1 and 3
        EXPECT_EQ(form->RxDBGrid1->currentIndex().row(), form->ZQuery1.recNo()); // the grid follows at once
        QTest::keyClick(dialog->textEdit(), Qt::Key_Return);
        done = true;
    });
    form->RxDBGrid1->horizontalHeader()->sectionClicked(column(QStringLiteral("ICO")));
    ASSERT_TRUE(done);
    EXPECT_EQ(current(), 3);
    EXPECT_EQ(form->RxDBGrid1->currentIndex().row(), form->ZQuery1.recNo());
}

// ---------------------------------------------------------------- sum

TEST_F(ListTools, SignedSum)
{
    struct Case
    {
        const char* name;
        const char* rows; // values of (por_cis, druh, castka)
        QList<int> marked;
        const char* shown;
    };
    const Case cases[] = {
        {"one mark: the whole list", "(1, 'FV', 1000), (2, 'FP', 400)", {1}, "Součet výběru Kč: 600"},
        {"two received marked", "(1, 'FP', 1000), (2, 'FV', 5000), (3, 'FP', 250)", {0, 2}, "Součet výběru Kč: -1250"},
        {"decimal comma", "(1, 'FV', 1234.5)", {}, "Součet výběru Kč: 1234,5"},
        {"NULL counts 0, other kinds subtract",
         "(1, 'FV', 100), (2, 'FP', NULL), (3, 'XX', 0.25)",
         {},
         "Součet výběru Kč: 99,75"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        database().clear();
        database().exec(QStringLiteral("insert into ledrana (por_cis, druh, castka) values ") +
                        QString::fromUtf8(c.rows));
        form->reopenList();
        form->moveList(0);
        mark(c.marked);
        form->ColorButton14->click();
        EXPECT_EQ(form->LMDPanelFill1->text(), QString::fromUtf8(c.shown));
        EXPECT_TRUE(form->LMDPanelFill1->isVisible());
        EXPECT_EQ(form->ZQuery1.recNo(), 0);
        // In the grid's lower right corner.
        const QRect grid(form->RxDBGrid1->mapTo(form->listArea, QPoint(0, 0)), form->RxDBGrid1->size());
        EXPECT_TRUE(grid.contains(form->LMDPanelFill1->geometry().bottomRight()));
        EXPECT_GT(form->LMDPanelFill1->geometry().bottom(), grid.bottom() - 10);
        QTest::mouseDClick(form->LMDPanelFill1, Qt::LeftButton);
        EXPECT_FALSE(form->LMDPanelFill1->isVisible());
    }
}

// ---------------------------------------------------------------- export

TEST_F(ListTools, ExportWritesTheListAsTheGridShowsIt)
{
    const QString path = m_dir + QStringLiteral("/seznam.xls");
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("an older file of that name");
    old.close();
    go(3);
    Tform3::setNextExportFileName(path);
    form->Vybranexportovat1->trigger();
    EXPECT_TRUE(app::MessageDialog::takeShown().isEmpty());
    EXPECT_EQ(current(), 3);

    const QJsonObject book = readXls(path);
    ASSERT_EQ(book[QStringLiteral("sheets")].toArray().size(), 1);
    const QJsonArray titles = xlsRow(book, 0, 0);
    const QStringList expectedTitles = {
        QStringLiteral(" "),         QStringLiteral("ev.číslo"), QStringLiteral(" "),
        QStringLiteral("druh"),      QStringLiteral("číslo"),    QStringLiteral("datum"),
        QStringLiteral("IČO"),       QStringLiteral("firma"),    QStringLiteral("číslo fak"),
        QStringLiteral("popis"),     QStringLiteral("částka"),   QStringLiteral("vystavení"),
        QStringLiteral("splatnost"), QStringLiteral("dnů"),      QStringLiteral("Zaplaceno")};
    ASSERT_EQ(titles.size(), expectedTitles.size());
    for (int c = 0; c < titles.size(); ++c)
        EXPECT_EQ(titles[c].toArray()[1].toString(), expectedTitles[c]);
    EXPECT_EQ(book[QStringLiteral("sheets")][0][QStringLiteral("nrows")].toInt(), 6);

    // Invoice 1 in row 2: each value in its own kind; NULL gives an empty cell.
    const QStringList first = {QStringLiteral("text:A"),         QStringLiteral("number:1"),
                               QStringLiteral("empty:"),         QStringLiteral("text:FP"),
                               QStringLiteral("number:1"),       QStringLiteral("date:2026-1-5"),
                               QStringLiteral("text:12345678"),  QStringLiteral("text:Žluťoučký kůň s.r.o."),
                               QStringLiteral("text:F-300"),     QStringLiteral("empty:"),
                               QStringLiteral("number:1000"),    QStringLiteral("empty:"),
                               QStringLiteral("date:2026-1-20"), QStringLiteral("number:15"),
                               QStringLiteral("number:1000")};
    for (int c = 0; c < first.size(); ++c)
        EXPECT_EQ(xlsCell(book, 0, 1, c), first[c]) << "column " << c;
    // Invoice 2: a document mark and a fractional amount; 3: no due date; 4: a double quote.
    EXPECT_EQ(xlsCell(book, 0, 2, 2), QStringLiteral("text:D"));
    EXPECT_EQ(xlsCell(book, 0, 2, 10), QStringLiteral("number:1234.5"));
    EXPECT_EQ(xlsCell(book, 0, 3, 12), QStringLiteral("empty:"));
    EXPECT_EQ(xlsCell(book, 0, 4, 7), QStringLiteral("text:Beta \"Quote\" s.r.o."));
    // Widths follow the content: the name column is wider than the kind column.
    const QJsonArray widths = book[QStringLiteral("sheets")][0][QStringLiteral("widths")].toArray();
    EXPECT_GT(widths[7].toInt(), widths[3].toInt());
}

TEST_F(ListTools, ExportFollowsMovedAndHiddenColumnsOrderAndSelection)
{
    form->Setditpodlenzvu1->trigger();
    go(2);
    form->Vybratdruh1->trigger(); // FV: invoices 2 and 4, by name: Alfa, Beta
    // The user moves the name column to the front and hides the amount.
    form->RxDBGrid1->horizontalHeader()->moveSection(column(QStringLiteral("NAZEV")), 0);
    form->RxDBGrid1->setColumnHidden(column(QStringLiteral("CASTKA")), true);
    ASSERT_EQ(column(QStringLiteral("NAZEV")), 0);

    const QString path = m_dir + QStringLiteral("/vyber.xls");
    Tform3::setNextExportFileName(path);
    form->Vybranexportovat1->trigger();
    const QJsonObject book = readXls(path);
    const QJsonObject sheet = book[QStringLiteral("sheets")][0].toObject();
    EXPECT_EQ(sheet[QStringLiteral("nrows")].toInt(), 3);
    EXPECT_EQ(sheet[QStringLiteral("ncols")].toInt(), 14);
    QStringList titles;
    for (const QJsonValue& v : xlsRow(book, 0, 0))
        titles << v.toArray()[1].toString();
    EXPECT_EQ(titles.first(), QStringLiteral("firma"));
    EXPECT_FALSE(titles.contains(QStringLiteral("částka")));
    EXPECT_EQ(xlsCell(book, 0, 1, 0), QStringLiteral("text:Alfa a.s."));
    EXPECT_EQ(xlsCell(book, 0, 2, 0), QStringLiteral("text:Beta \"Quote\" s.r.o."));
}

TEST_F(ListTools, ExportFailureShowsOneMessageAndLeavesNoFile)
{
    const QString path = m_dir + QStringLiteral("/chybi/seznam.xls");
    Tform3::setNextExportFileName(path);
    form->Vybranexportovat1->trigger();
    const auto shown = app::MessageDialog::takeShown();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0].text, QStringLiteral("POZOR - chyba exportu - není instalace Excelu?"));
    EXPECT_FALSE(shown[0].isError);
    EXPECT_FALSE(QFile::exists(path));
}

// A list longer than a sheet holds continues on a second sheet, each with the title row.
TEST(ListExport, SeventyThousandRowsOverTwoSheets)
{
    testenv::TestDb db(QStringLiteral("ltbig"));
    const int rows = 70000;
    for (int start = 1; start <= rows; start += 5000) {
        QStringList values;
        for (int p = start; p < start + 5000; ++p)
            values << QStringLiteral("(%1, 'FV', %1, '2026-01-01', 'Řádek %1', %1.5)").arg(p);
        db.exec(QStringLiteral("insert into ledrana (por_cis, druh, cislo, datum, nazev, castka) values ") +
                values.join(QLatin1Char(',')));
    }
    db::Connection connection;
    connection.setSettings(db.settings());
    connection.open();
    db::Dataset list(connection);
    list.sql() = db::listQueryLines();
    list.open();
    ASSERT_EQ(list.recordCount(), rows);
    list.moveTo(123);

    const QString path = testenv::tmpDir() + QStringLiteral("/big.xls");
    QString error;
    ASSERT_TRUE(list::exportList(list, app::builtInColumns(), path, &error)) << error.toStdString();
    EXPECT_EQ(list.recNo(), 123);

    const QJsonObject book = readXls(path, 2);
    const QJsonArray sheets = book[QStringLiteral("sheets")].toArray();
    ASSERT_EQ(sheets.size(), 2);
    EXPECT_EQ(sheets[0][QStringLiteral("nrows")].toInt(), 65536);
    EXPECT_EQ(sheets[1][QStringLiteral("nrows")].toInt(), rows - 65535 + 1);
    EXPECT_EQ(xlsCell(book, 1, 0, 1), QStringLiteral("text:ev.číslo"));
    EXPECT_EQ(xlsCell(book, 0, 65535, 1), QStringLiteral("number:65535"));
    EXPECT_EQ(xlsCell(book, 1, 1, 1), QStringLiteral("number:65536"));
    const int last = rows - 65535;
    EXPECT_EQ(xlsCell(book, 1, last, 1), QStringLiteral("number:70000"));
    EXPECT_EQ(xlsCell(book, 1, last, 7), QStringLiteral("text:Řádek 70000"));
    EXPECT_EQ(xlsCell(book, 1, last, 10), QStringLiteral("number:70000.5"));
}

} // namespace
