// Record entry handlers of the main window: the entry panel's binding, the new-record
// allocation, the exit checks of the fields and the record operations. The logic lives in
// allocation, checks and records; the handlers move the widgets.
#include "app/guard.h"
#include "app/messagedialog.h"
#include "entry/allocation.h"
#include "entry/checks.h"
#include "entry/claims.h"
#include "entry/dbwidgets.h"
#include "entry/records.h"
#include "list/gridview.h"
#include "list/listmodel.h"
#include "list/searchdialog.h"
#include "list/tform3.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFrame>
#include <QPushButton>
#include <QTimer>

#include <functional>

namespace {

const QString kOprava = QStringLiteral("OPRAVA");

// Calls back on one kind of event of the watched object, letting the event go on.
class EventHook final : public QObject
{
public:
    EventHook(QObject* parent, QEvent::Type type, std::function<void()> fn)
        : QObject(parent), m_type(type), m_fn(std::move(fn))
    {}

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == m_type)
            m_fn();
        return false;
    }

private:
    QEvent::Type m_type;
    std::function<void()> m_fn;
};

// The panel's edits in tab order, the two protected number fields first.
QList<entry::DbEdit*> entryEdits(Tform3* w)
{
    return {w->EditPOR_CIS, w->EditCISLO,  w->DBDateEdit2, w->editico,     w->EditNAZEV, w->EditCIS_FAK,
            w->editd_text,  w->EditCASTKA, w->DBDateEdit3, w->DBDateEdit1, w->suiDBEdit1};
}

// Switches the side panel's buttons off. A pressed button that has the focus gives it up
// first, so that disabling it does not pass the focus on to a field (whose exit check
// would then run when the focus moves on).
void disableSidePanel(Tform3* w)
{
    if (QWidget* f = w->focusWidget(); f && w->Panel2->isAncestorOf(f))
        f->clearFocus();
    w->setSideButtonsEnabled(false);
}

// A field of the panel that has the focus is left before an operation replaces or writes
// the record, as a click on the button would leave it: its text is written and its check
// runs on the record it belongs to, not on the next one.
void leaveEntryField(Tform3* w)
{
    if (QWidget* f = w->focusWidget(); f && w->ScrollBox->isAncestorOf(f) && !w->Panel5->isAncestorOf(f))
        f->clearFocus();
}

} // namespace

struct Tform3::EntryState
{
    QString holder;
    QVariantList loaded; // the entry query's row as it was loaded
    bool holding = false;
    QTimer* renew = nullptr;
};

QString Tform3::entryHolder() const
{
    return entryState->holder;
}

void Tform3::connectEntry()
{
    entryState = std::make_shared<EntryState>();
    entryState->holder = entry::newHolderId();

    for (entry::DbEdit* e : entryEdits(this))
        e->bind(&ZQuery2);
    editdruh->bind(&ZQuery2);
    DBText1->bind(&ZQuery2);

    // Leaving a field writes its text into the row, then runs the field's check. Nothing
    // runs while no record is loaded.
    using Check = void (Tform3::*)();
    auto onExit = [this](auto* field, Check check) {
        connect(field, &std::remove_pointer_t<decltype(field)>::exited, this, [this, field, check] {
            app::guard(this, [&] {
                if (!ZQuery2.isOpen())
                    return;
                field->commit();
                if (check)
                    (this->*check)();
            });
        });
    };
    onExit(editdruh, &Tform3::EditDRUHExit);
    onExit(DBDateEdit2, nullptr);
    onExit(editico, &Tform3::editicoExit);
    onExit(EditNAZEV, nullptr);
    onExit(EditCIS_FAK, &Tform3::EditCIS_FAKExit);
    onExit(editd_text, &Tform3::EditD_TEXTExit);
    onExit(EditCASTKA, nullptr);
    onExit(DBDateEdit3, &Tform3::DBDateEdit1Exit);
    onExit(DBDateEdit1, &Tform3::DBDateEdit1Exit);
    onExit(suiDBEdit1, nullptr);

    auto onClick = [this](QPushButton* button, Check handler) {
        connect(button, &QPushButton::clicked, this,
                [this, handler] { app::guard(this, [&] { (this->*handler)(); }); });
    };
    onClick(ColorButton2, &Tform3::ColorButton2Click);
    onClick(ColorButton13, &Tform3::ColorButton13Click);
    onClick(ColorButton1, &Tform3::ColorButton1Click);
    onClick(ColorButton3, &Tform3::ColorButton3Click);
    onClick(ColorButton4, &Tform3::ColorButton4Click);
    onClick(ColorButton6, &Tform3::ColorButton6Click);
    onClick(ColorButton8, &Tform3::ColorButton8Click);
    onClick(suiButton1, &Tform3::suiButton1Click);

    // Changes dropped when the user turned to the list: the fields show the row as loaded.
    connect(this, &Tform3::entryReloaded, this, [this] { showEntry(); });

    // The panel's hold on its row ends when the panel is left (hidden) or the window
    // closes; while it holds a row the lease is renewed. A failure here only lets the
    // lease run out.
    auto release = [this] {
        if (!entryState->holding)
            return;
        entryState->holding = false;
        try {
            entry::releaseHolds(ZConnection1, entryState->holder);
        } catch (const db::Error&) {
        }
    };
    ScrollBox->installEventFilter(new EventHook(this, QEvent::Hide, [this, release] {
        if (ScrollBox->isHidden())
            release();
    }));
    installEventFilter(new EventHook(this, QEvent::Close, release));
    entryState->renew = new QTimer(this);
    entryState->renew->setInterval(entry::kLeaseSeconds * 1000 / 5);
    connect(entryState->renew, &QTimer::timeout, this, [this] {
        if (!entryState->holding)
            return;
        try {
            entryState->holding = entry::renewHold(ZConnection1, entryState->holder);
        } catch (const db::Error&) {
        }
    });
    entryState->renew->start();
}

void Tform3::showEntry()
{
    for (entry::DbEdit* e : entryEdits(this))
        e->refresh();
    editdruh->refresh();
    DBText1->refresh();
}

void Tform3::loadEntry(long long id)
{
    ZQuery2.close();
    ZQuery2.setSql(QStringLiteral("select * from ledrana where id = %1").arg(id));
    try {
        ZQuery2.open();
        entryState->loaded = entry::rowValues(ZQuery2);
    } catch (...) {
        showEntry();
        throw;
    }
    showEntry();
}

// ---------------------------------------------------------------- allocation

void Tform3::ColorButton13Click()
{
    QCoreApplication::processEvents();
    disableSidePanel(this);
    RxDBGrid1->viewport()->update();
    QCoreApplication::processEvents();
    ScrollBox->show();
    ColorButton2Click();
}

void Tform3::ColorButton2Click()
{
    leaveEntryField(this);
    rezim.clear();
    if (ZQuery2.state() == db::Dataset::State::Edit) {
        app::MessageDialog::info(this, QStringLiteral("POZOR - neuložené změny záznamu!"));
        return;
    }
    QCoreApplication::processEvents();
    const entry::Allocation a = entry::allocateRecord(ZConnection1, entryState->holder, QDate::currentDate());
    entryState->holding = true;
    // One reload shows the new row with its number: it was numbered in the allocation.
    reopenList();
    locateListId(a.id);
    loadEntry(a.id);
    if (!ZQuery2.isEmpty())
        ZQuery2.edit();
    editdruh->setEnabled(true);
    editdruh->setFocus();
}

// ---------------------------------------------------------------- exit checks

void Tform3::EditDRUHExit()
{
    const long long number = entry::numberInKind(ZConnection1, editdruh->currentText(), Prvni_FP, Prvni_FV);
    ZQuery2.setValue(QStringLiteral("cislo"), number);
    EditCISLO->refresh();
    if (ZQuery2.asString(QStringLiteral("druh")) == QLatin1String("FV")) {
        // An issued invoice's number is the program's own.
        EditCIS_FAK->setEnabled(false);
        ZQuery2.setValue(QStringLiteral("cis_fak"), QString::number(number));
    } else {
        EditCIS_FAK->setEnabled(true);
    }
    EditCIS_FAK->refresh();
}

void Tform3::editicoExit()
{
    ZQuery2.setValue(QStringLiteral("nazev"), entry::newestName(ZConnection1, ZQuery2.asString(QStringLiteral("ico"))));
    EditNAZEV->refresh();
}

void Tform3::EditCIS_FAKExit()
{
    if (rezim == kOprava)
        return;
    table2.close();
    table2.sql().clear();
    const bool exists = entry::invoiceNumberExists(ZConnection1, editico->text(), EditCIS_FAK->text(),
                                                   ZQuery2.asInt(QStringLiteral("id")));
    if (exists)
        app::MessageDialog::info(this, QStringLiteral("POZOR - číslo faktury u uvedeného IČO existuje!"));
}

void Tform3::EditD_TEXTExit()
{
    if (editd_text->text().isEmpty() || rezim == kOprava)
        return;
    if (entry::textUsedElsewhere(ZConnection1, editd_text->text(), ZQuery2.asInt(QStringLiteral("id"))))
        return;
    const int answer = app::MessageDialog::question(
        this,
        QStringLiteral("Neznámý text: ") + ZQuery2.asString(QStringLiteral("d_text")) + QStringLiteral(". Povolit ?"),
        {QStringLiteral("povolit"), QStringLiteral("storno")});
    if (answer == 1)
        return;
    ZQuery2.setValue(QStringLiteral("d_text"), QStringLiteral(""));
    editd_text->refresh();
    editd_text->setFocus();
}

void Tform3::DBDateEdit1Exit()
{
    ZQuery2.setValue(QStringLiteral("dnu"), entry::daysBetween(DBDateEdit3->displayText(), DBDateEdit1->displayText()));
    DBText1->refresh();
}

void Tform3::suiButton1Click()
{
    if (!ZQuery2.isOpen() || ZQuery2.recNo() < 0)
        return;
    editd_text->commit();
    db::Dataset texts(ZConnection1);
    texts.setSql(QStringLiteral("select distinct d_text from ledrana order by d_text "));
    texts.open();
    {
        list::SearchDialog dialog(texts, QStringLiteral("d_text"), this);
        dialog.setShowList(true);
        dialog.setMatchParts(true);
        dialog.exec();
    }
    // However the dialog closed, the text of the row it left the result on.
    ZQuery2.setValue(QStringLiteral("d_text"), texts.isEmpty() ? QString() : texts.asString(QStringLiteral("d_text")));
    editd_text->refresh();
}

// ---------------------------------------------------------------- record operations

void Tform3::ColorButton3Click()
{
    leaveEntryField(this);
    // Text typed into the field that still has the focus belongs to the record.
    for (entry::DbEdit* e : entryEdits(this))
        e->commit();
    editdruh->commit();

    const entry::SaveRefusal refusal = entry::checkSave(EditCASTKA->text(), ZQuery2);
    if (refusal != entry::SaveRefusal::None) {
        app::MessageDialog::info(this, entry::refusalText(refusal));
        if (refusal == entry::SaveRefusal::ZeroAmount)
            EditCASTKA->setFocus();
        return;
    }
    const entry::SaveOutcome out = entry::saveRecord(ZConnection1, entryState->holder, ZQuery2, entryState->loaded,
                                                     Prvni_FP, Prvni_FV, QDate::currentDate());
    entryState->holding = false;
    // The entry query returns to browse state with the record as written.
    ZQuery2.cancel();
    loadEntry(out.id);
    if (out.movedToNewRow)
        app::MessageDialog::info(this, QStringLiteral("POZOR - řádek záznamu mezitím převzala jiná stanice, záznam je "
                                                      "zapsán jako nový s ev. číslem %1")
                                           .arg(out.porCis));
    if (out.renumbered)
        app::MessageDialog::info(this, QStringLiteral("POZOR - číslo %1 druhu %2 mezitím dostal jiný záznam, záznam je "
                                                      "zapsán s číslem %3")
                                           .arg(out.oldCislo)
                                           .arg(ZQuery2.asString(QStringLiteral("druh")))
                                           .arg(out.cislo));
    QCoreApplication::processEvents();
    ColorButton2Click();
}

void Tform3::ColorButton1Click()
{
    leaveEntryField(this);
    if (!ZQuery1.isOpen() || ZQuery1.recNo() < 0)
        return;
    if (entry::isDeleteMarked(ZQuery1.asString(QStringLiteral("nazev")))) {
        app::MessageDialog::info(this, QStringLiteral("Nelze, záznam je zrušen!"));
        return;
    }
    const long long id = ZQuery1.asInt(QStringLiteral("id"));
    ZQuery2.cancel();
    loadEntry(id);
    entryState->holding = entry::holdListedRow(ZConnection1, entryState->holder, id);
    ScrollBox->show();
    rezim = kOprava;
    disableSidePanel(this);
    QCoreApplication::processEvents();
    DBDateEdit2->setFocus();
}

void Tform3::ColorButton4Click()
{
    leaveEntryField(this);
    // The record loaded in the panel is cleared, and the cleared values are written at
    // once; the panel then shows the row as the table holds it, so no later Zapsat brings
    // the old content back and no reload of the list loses the clearing.
    if (!ZQuery2.isOpen() || ZQuery2.recNo() < 0) {
        app::MessageDialog::info(this, QStringLiteral("Nelze, prázdný záznam!"));
        return;
    }
    if (app::MessageDialog::question(this, QStringLiteral("Opravdu zrušit obsah záznamu?"),
                                     {QStringLiteral("zrušit"), QStringLiteral("storno")}) != 1)
        return;
    const long long id = ZQuery2.asInt(QStringLiteral("id"));
    if (ZQuery1.isOpen() && ZQuery1.recNo() >= 0 && (ZQuery1.asInt(QStringLiteral("id")) == id || locateListId(id))) {
        entry::clearCurrentRow(ZQuery1);
        listModel->rowChanged(ZQuery1.recNo());
    } else {
        entry::clearRecord(ZConnection1, id);
    }
    ZQuery2.cancel();
    loadEntry(id);
}

void Tform3::ColorButton6Click()
{
    leaveEntryField(this);
    if (!ZQuery2.isOpen() || ZQuery2.recNo() < 0 || ZQuery2.isNull(QStringLiteral("datum"))) {
        app::MessageDialog::info(this, QStringLiteral("Nelze, prázdný záznam!"));
        return;
    }
    table2.close();
    table2.sql().clear();
    entry::copyRecord(ZConnection1, ZQuery2.asInt(QStringLiteral("id")), QDate::currentDate());
    table2.close();
    // The copy shows in the list from its next reload.
    if (ZQuery1.isOpen()) {
        ZQuery1.last();
        syncGrid();
    }
}

void Tform3::ColorButton8Click()
{
    if (!ZQuery1.isOpen() || ZQuery1.recNo() < 0)
        return;
    if (entry::isDeleteMarked(ZQuery1.asString(QStringLiteral("nazev")))) {
        app::MessageDialog::info(this, QStringLiteral("Nelze, záznam je již zrušen!"));
        return;
    }
    if (app::MessageDialog::question(this, QStringLiteral("Opravdu záznam označit jako smazaný?"),
                                     {QStringLiteral("označit"), QStringLiteral("storno")}) != 1)
        return;
    entry::markDeleted(ZQuery1, QDate::currentDate());
    listModel->rowChanged(ZQuery1.recNo());
}
