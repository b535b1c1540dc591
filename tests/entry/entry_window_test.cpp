// The entry panel of the real main window, driven with QTest: typing, leaving fields, the
// buttons, and dialogs answered through the message dialogs' hook.
#include "app/messagedialog.h"
#include "base/formats.h"
#include "base/progdir.h"
#include "db/sqltext.h"
#include "entry/allocation.h"
#include "entry/dbwidgets.h"
#include "entry_fixture.h"
#include "list/gridview.h"
#include "list/listmodel.h"
#include "list/searchdialog.h"
#include "list/tform3.h"
#include "testenv.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

struct EntryWindowTest : EntryDbTest
{
    void SetUp() override
    {
        EntryDbTest::SetUp();
        app::MessageDialog::setAutoAnswer(true, 1); // nothing waits for a person
        app::MessageDialog::takeShown();
    }
    void TearDown() override
    {
        form.reset();
        app::MessageDialog::setAutoAnswer(false);
        app::MessageDialog::takeShown();
    }
    void start(const QString& ini = QStringLiteral("[Nastaveni]\nPrvni_FP=150001\nPrvni_FV=250001\n"))
    {
        static int n = 0;
        const QString dir = testenv::tmpDir() + QStringLiteral("/ws%1").arg(++n);
        QDir().mkpath(dir);
        db->writeSettingsFile(dir, ini);
        base::setProgramDirForTests(dir);
        form = std::make_unique<Tform3>();
        form->show();
        form->Timer1->stop();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
    QStringList shown()
    {
        QStringList texts;
        for (const auto& s : app::MessageDialog::takeShown())
            texts << s.text;
        return texts;
    }
    QWidget* focus() const { return QApplication::focusWidget(); }
    // Types into a field (key by key, Czech letters too) and leaves it with Tab.
    // A field entered with Tab has its text selected; append types after it.
    void typeAndLeave(QWidget* field, const QString& text, bool append = false)
    {
        field->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        if (append)
            QTest::keyClick(field, Qt::Key_End);
        for (const QChar ch : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
            QApplication::sendEvent(field, &press);
        }
        QTest::keyClick(field, Qt::Key_Tab);
        QApplication::processEvents();
    }
    void chooseKind(const QString& kind)
    {
        form->editdruh->setFocus();
        while (form->editdruh->currentText() != kind)
            QTest::keyClick(form->editdruh, form->editdruh->currentIndex() < form->editdruh->findText(kind)
                                                ? Qt::Key_Down
                                                : Qt::Key_Up);
        QTest::keyClick(form->editdruh, Qt::Key_Tab);
        QApplication::processEvents();
    }
    void click(QPushButton* button)
    {
        QTest::mouseClick(button, Qt::LeftButton);
        QApplication::processEvents();
    }
    void enterList()
    {
        form->RxDBGrid1->setFocus(Qt::MouseFocusReason);
        QApplication::processEvents();
    }
    db::Dataset& entryQuery() { return form->ZQuery2; }
    long long entryId() { return entryQuery().asInt("id"); }
    long long savedRecord(const QString& ico = "111", const QString& name = "Alfa", double castka = 1200,
                          long long porCis = 2400010)
    {
        return insertRow("por_cis, druh, cislo, datum, ico, nazev, cis_fak, d_text, castka",
                         QStringLiteral("%1, 'FP', 150002, '2024-01-05', %2, %3, 'F-1', 'nájem', %4")
                             .arg(porCis)
                             .arg(db::quote(ico), db::quote(name))
                             .arg(castka));
    }
    std::unique_ptr<Tform3> form;
};

TEST_F(EntryWindowTest, EmptyRegisterStartsANewRecordThatIsTypedAndSaved)
{
    start();
    const long long first = entry::firstNumberOfYear(QDate::currentDate());
    ASSERT_EQ(entryQuery().state(), db::Dataset::State::Edit);
    EXPECT_EQ(form->EditPOR_CIS->text(), QString::number(first));
    EXPECT_EQ(focus(), form->editdruh);
    EXPECT_TRUE(form->EditPOR_CIS->isReadOnly());
    EXPECT_TRUE(form->EditCISLO->isReadOnly());

    chooseKind("FP");
    EXPECT_EQ(form->EditCISLO->text(), "150002");
    EXPECT_EQ(focus(), form->DBDateEdit2);
    EXPECT_EQ(form->DBDateEdit2->text(), QDate::currentDate().toString("dd.MM.yyyy"));
    typeAndLeave(form->editico, "12\"3\\4");
    typeAndLeave(form->EditNAZEV, "Alfa 'a' s.r.o.");
    typeAndLeave(form->EditCIS_FAK, "F/1");
    typeAndLeave(form->EditCASTKA, "1200");
    click(form->ColorButton3);
    EXPECT_EQ(shown(), QStringList());

    const long long id = db->scalar("select id from ledrana where ico = '12\"3\\\\4'").toLongLong();
    ASSERT_GT(id, 0);
    EXPECT_EQ(cell(id, "por_cis").toLongLong(), first);
    EXPECT_EQ(cell(id, "druh").toString(), "FP");
    EXPECT_EQ(cell(id, "cislo").toLongLong(), 150002);
    EXPECT_EQ(cell(id, "nazev").toString(), "Alfa 'a' s.r.o.");
    EXPECT_EQ(cell(id, "cis_fak").toString(), "F/1");
    EXPECT_EQ(cell(id, "castka").toDouble(), 1200);
    // The panel holds the next record, the list shows the saved one.
    EXPECT_EQ(entryQuery().state(), db::Dataset::State::Edit);
    EXPECT_NE(entryId(), id);
    EXPECT_EQ(form->EditPOR_CIS->text(), QString::number(first + 1));
    EXPECT_EQ(form->EditCASTKA->text(), "0");
    EXPECT_EQ(focus(), form->editdruh);
    const int row = form->ZQuery1.find(form->ZQuery1.fieldIndex("id"), id);
    ASSERT_GE(row, 0);
    EXPECT_EQ(form->ZQuery1.valueAt(row, form->ZQuery1.fieldIndex("castka")).toDouble(), 1200);
    EXPECT_EQ(form->ZQuery1.asInt("id"), entryId()); // the list stands on the new record
}

TEST_F(EntryWindowTest, ClosedPanelTakesNoInputAndOpravaUnchangedIsRefused)
{
    const long long id = savedRecord();
    start();
    EXPECT_EQ(entryQuery().state(), db::Dataset::State::Closed);
    EXPECT_TRUE(form->editico->isReadOnly());
    typeAndLeave(form->editico, "999");
    EXPECT_EQ(form->editico->text(), QString());
    EXPECT_EQ(entryQuery().state(), db::Dataset::State::Closed);
    click(form->ColorButton3);
    EXPECT_EQ(shown(), QStringList{"POZOR - nulová částka fa!"});

    form->ZQuery1.first();
    form->syncGrid();
    click(form->ColorButton1);
    EXPECT_EQ(form->rezim, "OPRAVA");
    EXPECT_EQ(entryId(), id);
    EXPECT_EQ(entryQuery().state(), db::Dataset::State::Browse);
    EXPECT_EQ(focus(), form->DBDateEdit2);
    EXPECT_FALSE(form->ColorButton8->isEnabled());
    EXPECT_EQ(form->editico->text(), "111");
    click(form->ColorButton3);
    EXPECT_EQ(shown(), QStringList{"Žádna zjištěná změna v záznamu"});
    EXPECT_EQ(entryId(), id);

    // Typing is a change: the edited record is saved and a new one prepared.
    typeAndLeave(form->EditNAZEV, " II", true);
    EXPECT_EQ(entryQuery().state(), db::Dataset::State::Edit);
    click(form->ColorButton3);
    EXPECT_EQ(shown(), QStringList());
    EXPECT_EQ(cell(id, "nazev").toString(), "Alfa II");
    EXPECT_EQ(cell(id, "cislo").toLongLong(), 150002); // its own number is not taken by another
    EXPECT_EQ(form->rezim, QString());
    EXPECT_NE(entryId(), id);
}

TEST_F(EntryWindowTest, SaveRefusalsInTheirOrder)
{
    savedRecord();
    start();
    click(form->ColorButton13);
    click(form->ColorButton3);
    EXPECT_EQ(shown(), QStringList{"POZOR - nulová částka fa!"});
    EXPECT_EQ(focus(), form->EditCASTKA);
    typeAndLeave(form->EditCASTKA, "0,4");
    click(form->ColorButton3);
    EXPECT_EQ(shown(), QStringList{"Není vyplněno: druh, IČO, číslo faktury, částka?"});
    chooseKind("FP");
    typeAndLeave(form->editico, "555");
    click(form->ColorButton3);
    EXPECT_EQ(shown(), QStringList{"Není vyplněno: druh, IČO, číslo faktury, částka?"});
    typeAndLeave(form->EditCIS_FAK, "X-1");
    const long long id = entryId();
    click(form->ColorButton3);
    EXPECT_EQ(shown(), QStringList());
    EXPECT_EQ(cell(id, "castka").toDouble(), 0.4); // 0.4 is an amount for Zapsat
}

TEST_F(EntryWindowTest, NewRecordTwiceWarnsAndClearsTheMark)
{
    savedRecord();
    start();
    click(form->ColorButton13);
    const long long rows = count();
    const long long id = entryId();
    form->rezim = "OPRAVA";
    click(form->ColorButton2);
    EXPECT_EQ(shown(), QStringList{"POZOR - neuložené změny záznamu!"});
    EXPECT_EQ(form->rezim, QString());
    EXPECT_EQ(count(), rows);
    EXPECT_EQ(entryId(), id);
}

TEST_F(EntryWindowTest, LeavingThePanel)
{
    savedRecord();
    start();
    // An empty new record is dropped without a question; its row waits for the next one.
    click(form->ColorButton13);
    const long long id = entryId();
    const QString number = form->EditPOR_CIS->text();
    typeAndLeave(form->editd_text, "");
    enterList();
    EXPECT_EQ(shown(), QStringList());
    EXPECT_FALSE(form->entryPanelVisible());
    EXPECT_TRUE(form->ColorButton1->isEnabled());
    EXPECT_EQ(db->scalar("select count(*) from ledrana_zamky where klic like 'radek %'").toInt(), 0);
    click(form->ColorButton13);
    EXPECT_EQ(entryId(), id);
    EXPECT_EQ(form->EditPOR_CIS->text(), number);

    // Amount and name: the question; "zpět" keeps the changes.
    typeAndLeave(form->EditNAZEV, "Beta");
    typeAndLeave(form->EditCASTKA, "1200");
    app::MessageDialog::queueAnswers({2});
    enterList();
    EXPECT_EQ(shown(), QStringList{"Pozor - neuložené změny v záznamu"});
    EXPECT_EQ(focus(), form->editdruh);
    EXPECT_TRUE(form->entryPanelVisible());
    EXPECT_EQ(entryQuery().asString("nazev"), "Beta");

    // "ingorovat" drops them; the fields show the row as loaded.
    app::MessageDialog::queueAnswers({1});
    enterList();
    EXPECT_EQ(shown(), QStringList{"Pozor - neuložené změny v záznamu"});
    EXPECT_FALSE(form->entryPanelVisible());
    EXPECT_EQ(form->EditNAZEV->text(), QString());
    EXPECT_TRUE(cell(id, "nazev").isNull());

    // 0.4 rounds to 0: dropped without a question.
    click(form->ColorButton13);
    typeAndLeave(form->EditNAZEV, "Gama");
    typeAndLeave(form->EditCASTKA, "0,4");
    enterList();
    EXPECT_EQ(shown(), QStringList());
    EXPECT_FALSE(form->entryPanelVisible());
}

TEST_F(EntryWindowTest, ChecksOnLeavingFields)
{
    savedRecord("111", "Alfa s.r.o.", 500, 2400010);
    savedRecord("111", "Alfa a.s.", 600, 2400011);
    start();
    click(form->ColorButton13);

    typeAndLeave(form->editico, "111");
    EXPECT_EQ(form->EditNAZEV->text(), "Alfa a.s.");
    typeAndLeave(form->editico, "2", true); // "1112": no record
    EXPECT_EQ(form->EditNAZEV->text(), QString());

    // Duplicate invoice number: only with the same IČO, and not while editing a listed record.
    form->editico->setFocus();
    form->editico->selectAll();
    typeAndLeave(form->editico, "111");
    typeAndLeave(form->EditCIS_FAK, "F-1");
    EXPECT_EQ(shown(), QStringList{"POZOR - číslo faktury u uvedeného IČO existuje!"});
    form->editico->setFocus();
    form->editico->selectAll();
    typeAndLeave(form->editico, "222");
    typeAndLeave(form->EditCIS_FAK, "");
    EXPECT_EQ(shown(), QStringList());

    // An unknown text: "storno" empties it and returns the focus; "povolit" keeps it.
    app::MessageDialog::queueAnswers({2});
    typeAndLeave(form->editd_text, "nový \"text\"");
    EXPECT_EQ(shown(), QStringList{"Neznámý text: nový \"text\". Povolit ?"});
    EXPECT_EQ(form->editd_text->text(), QString());
    EXPECT_EQ(focus(), form->editd_text);
    app::MessageDialog::queueAnswers({1});
    typeAndLeave(form->editd_text, "nový");
    EXPECT_EQ(shown().size(), 1);
    EXPECT_EQ(entryQuery().asString("d_text"), "nový");
    form->editd_text->setFocus();
    form->editd_text->selectAll();
    typeAndLeave(form->editd_text, "nájem"); // used by another record: no question
    EXPECT_EQ(shown(), QStringList());

    // Days between the issue and the due date, in either order; 0 while one is empty.
    struct
    {
        const char* issued;
        const char* due;
        const char* days;
    } dates[] = {{"01032024", "15032024", "14"}, {"15032024", "01032024", "14"}, {"", "15032024", "0"}};
    for (const auto& d : dates) {
        form->DBDateEdit3->setFocus();
        form->DBDateEdit3->clear();
        typeAndLeave(form->DBDateEdit3, d.issued);
        form->DBDateEdit1->clear();
        typeAndLeave(form->DBDateEdit1, d.due);
        EXPECT_EQ(form->DBText1->text(), d.days) << d.issued << " " << d.due;
    }

    // In edit-from-list mode the invoice-number check and the text question are skipped.
    enterList();
    app::MessageDialog::takeShown();
    form->ZQuery1.first();
    click(form->ColorButton1);
    typeAndLeave(form->EditCIS_FAK, "");
    form->editd_text->setFocus();
    form->editd_text->selectAll();
    typeAndLeave(form->editd_text, "úplně jiný");
    EXPECT_EQ(shown(), QStringList());
}

TEST_F(EntryWindowTest, KindNumbersAndFVInvoiceNumber)
{
    insertRow("druh, cislo, castka, nazev", "'FV', 250007, 1, 'x'");
    start();
    click(form->ColorButton13);
    chooseKind("FV");
    EXPECT_EQ(form->EditCISLO->text(), "250008");
    EXPECT_EQ(form->EditCIS_FAK->text(), "250008");
    EXPECT_FALSE(form->EditCIS_FAK->isEnabled());
    chooseKind("FP");
    EXPECT_EQ(form->EditCISLO->text(), "150002");
    EXPECT_TRUE(form->EditCIS_FAK->isEnabled());
    EXPECT_EQ(form->EditCIS_FAK->text(), "250008");
}

TEST_F(EntryWindowTest, BadFirstNumberStopsTheKindCheck)
{
    start(QStringLiteral("[Nastaveni]\nPrvni_FP=abc\n"));
    const int before = app::MessageDialog::takeShown().size();
    (void)before;
    chooseKind("FP");
    const auto errors = app::MessageDialog::takeShown();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].isError);
    EXPECT_TRUE(entryQuery().isNull("cislo"));
    EXPECT_EQ(form->EditCISLO->text(), QString());
}

TEST_F(EntryWindowTest, TextPickerTakesOrCancels)
{
    insertRow("d_text, castka, nazev", "'beta', 1, 'x'");
    insertRow("d_text, castka, nazev", "'alfa', 1, 'y'");
    start();
    click(form->ColorButton13);
    auto pick = [&](const QString& typed, bool take) {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<list::SearchDialog*>(QApplication::activeModalWidget());
            ASSERT_TRUE(dialog);
            seen = dialog->windowTitle() == "Hledat";
            dialog->textEdit()->setText(typed);
            take ? dialog->accept() : dialog->reject();
        });
        click(form->suiButton1);
        EXPECT_TRUE(seen);
    };
    pick("bet", true);
    EXPECT_EQ(form->editd_text->text(), "beta");
    EXPECT_EQ(entryQuery().asString("d_text"), "beta");
    EXPECT_EQ(shown(), QStringList()); // no question for a picked text
    // Cancelled: the first text in order, here the new record's own empty one.
    pick("alf", false);
    EXPECT_EQ(form->editd_text->text(), QString());
}

TEST_F(EntryWindowTest, CalendarPopUpWritesTheDate)
{
    start();
    QString title;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_TRUE(dialog);
        title = dialog->windowTitle();
        auto* calendar = dialog->findChild<QCalendarWidget*>();
        calendar->setSelectedDate(QDate(2024, 3, 15));
        emit calendar->clicked(QDate(2024, 3, 15));
    });
    form->DBDateEdit3->popupCalendar();
    EXPECT_EQ(title, "Vyberte datum");
    EXPECT_EQ(form->DBDateEdit3->text(), "15.03.2024");
    EXPECT_EQ(entryQuery().state(), db::Dataset::State::Edit);
    form->DBDateEdit3->commit(); // as leaving the field does
    EXPECT_EQ(entryQuery().asDate("odeslani"), QDate(2024, 3, 15));
}

TEST_F(EntryWindowTest, ClearWritesAtOnceAndIsNotUndoneBySave)
{
    const long long id = savedRecord();
    start();
    form->ZQuery1.first();
    click(form->ColorButton1);
    typeAndLeave(form->EditNAZEV, " typed");
    app::MessageDialog::queueAnswers({2});
    click(form->ColorButton4);
    EXPECT_EQ(shown(), QStringList{"Opravdu zrušit obsah záznamu?"});
    EXPECT_EQ(cell(id, "nazev").toString(), "Alfa");

    app::MessageDialog::queueAnswers({1});
    click(form->ColorButton4);
    EXPECT_EQ(shown(), QStringList{"Opravdu zrušit obsah záznamu?"});
    EXPECT_EQ(cell(id, "por_cis").toLongLong(), 0);
    EXPECT_TRUE(cell(id, "nazev").isNull());
    EXPECT_EQ(cell(id, "castka").toDouble(), 0);
    EXPECT_EQ(cell(id, "ico").toString(), QString(""));
    EXPECT_EQ(cell(id, "sesnimana").toString(), "N");
    EXPECT_EQ(form->ZQuery1.asInt("por_cis"), 0);  // the list shows it
    EXPECT_EQ(form->EditNAZEV->text(), QString()); // and so does the panel
    click(form->ColorButton3);
    EXPECT_EQ(shown(), QStringList{"POZOR - nulová částka fa!"});
    form->reopenList();
    EXPECT_TRUE(cell(id, "nazev").isNull());
}

TEST_F(EntryWindowTest, CopyOfTheLoadedRecord)
{
    const long long id = savedRecord("111", "Alfa", 1200, 2400010);
    savedRecord("222", "Beta", 10, 2400020);
    start();
    click(form->ColorButton6);
    EXPECT_EQ(shown(), QStringList{"Nelze, prázdný záznam!"});
    form->ZQuery1.first();
    click(form->ColorButton1);
    click(form->ColorButton6);
    EXPECT_EQ(shown(), QStringList());
    const long long copy = db->scalar("select id from ledrana where por_cis = 2400021").toLongLong();
    ASSERT_GT(copy, id);
    EXPECT_EQ(cell(copy, "nazev").toString(), "Alfa");
    EXPECT_EQ(cell(copy, "castka").toDouble(), 0);
    EXPECT_EQ(entryId(), id); // the panel keeps its record
    EXPECT_EQ(form->ZQuery1.recNo(), form->ZQuery1.recordCount() - 1);
}

TEST_F(EntryWindowTest, DeleteMarkFromTheList)
{
    const QString saved = base::shortDateFormat();
    base::setShortDateFormat("d.M.yyyy");
    const long long id = savedRecord("12345678", "Alfa", 1200, 2400010);
    insertRow("por_cis, nazev, castka", "2400011, 'Výmazová s.r.o.', 5");
    start();
    form->ZQuery1.first();
    app::MessageDialog::queueAnswers({2});
    click(form->ColorButton8);
    EXPECT_EQ(shown(), QStringList{"Opravdu záznam označit jako smazaný?"});
    EXPECT_EQ(cell(id, "nazev").toString(), "Alfa");
    app::MessageDialog::queueAnswers({1});
    click(form->ColorButton8);
    EXPECT_EQ(shown(), QStringList{"Opravdu záznam označit jako smazaný?"});
    const QString mark = QStringLiteral("Výmaz dne: %1 IČO: 12345678").arg(QDate::currentDate().toString("d.M.yyyy"));
    EXPECT_EQ(cell(id, "nazev").toString(), mark);
    EXPECT_EQ(form->ZQuery1.asString("nazev"), mark);
    click(form->ColorButton8);
    EXPECT_EQ(shown(), QStringList{"Nelze, záznam je již zrušen!"});
    click(form->ColorButton1);
    EXPECT_EQ(shown(), QStringList{"Nelze, záznam je zrušen!"});
    form->ZQuery1.last(); // a company whose name begins with "Výmaz"
    click(form->ColorButton1);
    EXPECT_EQ(shown(), QStringList{"Nelze, záznam je zrušen!"});
    base::setShortDateFormat(saved);
}

TEST_F(EntryWindowTest, NarrowedListStaysOnItsFirstRow)
{
    savedRecord("111", "Alfa", 1200, 2400010);
    savedRecord("222", "Beta", 700, 2400011);
    start();
    form->ZQuery1.sql()[2] = QStringLiteral("where ledrana.castka > 0");
    form->reopenList();
    form->ZQuery1.last();
    click(form->ColorButton13);
    EXPECT_EQ(form->EditPOR_CIS->text(), "2400012");
    EXPECT_EQ(form->ZQuery1.recordCount(), 2);
    EXPECT_EQ(form->ZQuery1.recNo(), 0);
}

TEST_F(EntryWindowTest, ZapsatWithoutLeavingTheFieldTakesItsText)
{
    insertRow("por_cis, ico, nazev, castka", "2400001, '', 'Bez IČO', 5");
    start();
    click(form->ColorButton13);
    chooseKind("FV");
    typeAndLeave(form->EditCASTKA, "250");
    form->editico->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(form->editico, "777");
    const long long id = entryId();
    form->ColorButton3->click(); // as its access key does: the focus stays in the field
    QApplication::processEvents();
    EXPECT_EQ(shown(), QStringList());
    EXPECT_EQ(cell(id, "ico").toString(), "777");
    EXPECT_EQ(cell(id, "castka").toDouble(), 250);
    EXPECT_EQ(cell(id, "cis_fak").toString(), "250002");
    EXPECT_NE(entryId(), id);
    // The IČO check ran on the saved record, not on the next one.
    EXPECT_TRUE(entryQuery().isNull("nazev"));
}

} // namespace
