#include "list/tform3.h"

#include "app/entertab.h"
#include "app/guard.h"
#include "app/messagedialog.h"
#include "app/skin.h"
#include "base/formats.h"
#include "base/inifile.h"
#include "base/progdir.h"
#include "db/listquery.h"
#include "entry/dbwidgets.h"
#include "list/celldelegate.h"
#include "list/gridview.h"
#include "list/listmodel.h"
#include "report/report.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption, const QString& hint, int left,
                        int top, int width = 75)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(hint);
    b->setGeometry(left, top, width, 25);
    b->setAutoDefault(false);
    return b;
}

QLabel* makeLabel(QWidget* parent, const QString& text, int left, int top, QWidget* buddy = nullptr)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QStringLiteral("entryLabel"));
    l->move(left, top);
    if (buddy)
        l->setBuddy(buddy);
    return l;
}

} // namespace

Tform3::Tform3(QWidget* parent) : QMainWindow(parent), FormStorage1(QStringLiteral("Tform3"))
{
    setObjectName(QStringLiteral("Tform3"));
    buildWindow();
    FormCreate();
}

Tform3::~Tform3()
{
    if (!m_closed)
        ZQuery1.close();
}

// ---------------------------------------------------------------- layout

void Tform3::buildWindow()
{
    setWindowTitle(QStringLiteral("Ledrana - pořizování a oprava záznamů"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint | Qt::WindowContextHelpButtonHint);
    setStyleSheet(app::skinStyleSheet());
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("form"));
    setCentralWidget(central);
    auto* v = new QVBoxLayout(central);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);

    // List area: grid, status strip and navigator at the left, the side panel at the right.
    listArea = new QWidget(central);
    auto* h = new QHBoxLayout(listArea);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(0);
    auto* left = new QWidget(listArea);
    auto* lv = new QVBoxLayout(left);
    lv->setContentsMargins(0, 0, 0, 0);
    lv->setSpacing(0);
    RxDBGrid1 = new list::GridView(left);
    listModel = new list::ListModel(ZQuery1, this);
    listModel->setColumns(app::builtInColumns());
    RxDBGrid1->setModel(listModel);
    RxDBGrid1->setItemDelegate(new list::CellDelegate(*listModel, RxDBGrid1));
    lv->addWidget(RxDBGrid1, 1);
    auto* status = new QFrame(left);
    status->setFixedHeight(15);
    lv->addWidget(status);
    DBNavigator1 = new QFrame(left);
    DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));
    DBNavigator1->setFixedHeight(25);
    DBNavigator1->setToolTip(QStringLiteral("Pohyb v tabulce"));
    auto* nh = new QHBoxLayout(DBNavigator1);
    nh->setContentsMargins(0, 0, 0, 0);
    nh->setSpacing(0);
    struct Nav
    {
        const char* name;
        const char* text;
        QString hint;
        void (db::Dataset::*move)();
    };
    const Nav navs[] = {{"navFirst", "|◀", QStringLiteral("První"), &db::Dataset::first},
                        {"navPrior", "◀", QStringLiteral("Předchozí"), &db::Dataset::prior},
                        {"navNext", "▶", QStringLiteral("Další"), &db::Dataset::next},
                        {"navLast", "▶|", QStringLiteral("Poslední"), &db::Dataset::last}};
    for (const Nav& n : navs) {
        auto* b = new QToolButton(DBNavigator1);
        b->setObjectName(QString::fromLatin1(n.name));
        b->setText(QString::fromUtf8(n.text));
        b->setToolTip(n.hint);
        b->setFixedSize(30, 25);
        b->setFocusPolicy(Qt::NoFocus);
        auto move = n.move;
        connect(b, &QToolButton::clicked, this, [this, move] {
            app::guard(this, [&] {
                if (!ZQuery1.isOpen())
                    return;
                (ZQuery1.*move)();
                syncGrid();
            });
        });
        nh->addWidget(b);
    }
    nh->addStretch();
    lv->addWidget(DBNavigator1);
    h->addWidget(left, 1);
    buildSidePanel(listArea);
    h->addWidget(Panel2);

    LMDPanelFill1 = new QLabel(listArea);
    LMDPanelFill1->setObjectName(QStringLiteral("LMDPanelFill1"));
    LMDPanelFill1->setAlignment(Qt::AlignCenter);
    LMDPanelFill1->resize(348, 40);
    LMDPanelFill1->hide();

    v->addWidget(listArea, 1);
    buildEntryPanel(central);
    v->addWidget(ScrollBox);
    auto* bottom = new QFrame(central);
    bottom->setObjectName(QStringLiteral("bottomStrip"));
    bottom->setFixedHeight(35);
    v->addWidget(bottom);

    resize(996, 669);
    move(487, 55);

    // Grid events.
    connect(RxDBGrid1, &list::GridView::cellClicked, this,
            [this](const QModelIndex& i) { app::guard(this, [&] { suitempRxDBGrid1CellClick(i); }); });
    connect(RxDBGrid1, &list::GridView::mousePressed, this,
            [this] { app::guard(this, [&] { suitempRxDBGrid1MouseDown(); }); });
    connect(RxDBGrid1, &list::GridView::mouseEntered, this,
            [this] { app::guard(this, [&] { RxDBGrid1MouseEnter(); }); });
    connect(RxDBGrid1, &list::GridView::doubleClicked, this,
            [this] { app::guard(this, [&] { RxDBGrid1DblClick(); }); });
    connect(RxDBGrid1, &list::GridView::focusEntered, this, [this] { app::guard(this, [&] { RxDBGrid1Enter(); }); });
    connect(RxDBGrid1, &list::GridView::focusLeft, this, [this] { app::guard(this, [&] { suitempRxDBGrid1Exit(); }); });
    connect(RxDBGrid1->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int c) { app::guard(this, [&] { RxDBGrid1TitleClick(c); }); });
    connect(RxDBGrid1->horizontalHeader(), &QHeaderView::sectionMoved, this, [this](int, int from, int to) {
        // The column collection stays in display order: undo the header's move and
        // move the column in the collection instead.
        if (m_syncing)
            return;
        m_syncing = true;
        auto* header = RxDBGrid1->horizontalHeader();
        header->moveSection(to, from);
        QList<app::GridColumn> cols = listModel->columns();
        for (int c = 0; c < cols.size(); ++c)
            cols[c].width = RxDBGrid1->columnWidth(c);
        cols.move(from, to);
        const int current = RxDBGrid1->currentIndex().row();
        listModel->setColumns(cols);
        applyColumnWidths();
        m_syncing = false;
        if (current >= 0)
            syncGrid();
    });
    connect(RxDBGrid1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { gridCurrentChanged(current); });

    qApp->installEventFilter(new app::EnterAsTab(this));

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(500);
    Timer1->setSingleShot(false);
    connect(Timer1, &QTimer::timeout, this, [this] { app::guard(this, [&] { Timer1Timer(); }); });

    connectEntry();
    connectListTools();
    connectDocuments();
    connectPrinting();
    applyColumnWidths();
}

void Tform3::buildSidePanel(QWidget* parent)
{
    Panel2 = new QFrame(parent);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFixedWidth(97);
    ColorButton1 =
        makeButton(Panel2, "ColorButton1", QStringLiteral("&Oprava"), QStringLiteral("Oprava věty ze seznamu"), 11, 8);
    ColorButton8 =
        makeButton(Panel2, "ColorButton8", QStringLiteral("&Smazat"), QStringLiteral("Smazat větu ze seznamu"), 11, 40);
    ColorButton13 = makeButton(Panel2, "ColorButton13", QStringLiteral("&Nový záznam"),
                               QStringLiteral("Do režimu pořizování nových vět"), 11, 72);
    ColorButton14 = makeButton(Panel2, "ColorButton14", QStringLiteral("So&učet Kč"),
                               QStringLiteral("Součet částek ve výběru"), 11, 101);
    ColorButton15 = makeButton(Panel2, "ColorButton15", QStringLiteral("&Tisk výběru"),
                               QStringLiteral("Tisk vyběru na tiskárnu či do souboru"), 11, 133);
    clrbutton1 = makeButton(Panel2, "clrbutton1", QStringLiteral("Tisk &průvodek"),
                            QStringLiteral("Tisk vyběru na tiskárnu či do souboru"), 11, 165, 74);
    ColorButton12 = makeButton(Panel2, "ColorButton12", QStringLiteral("&Ukaž doklad"),
                               QStringLiteral("Zobrazí doklady k faktuře"), 11, 197);
}

void Tform3::buildEntryPanel(QWidget* parent)
{
    ScrollBox = new QFrame(parent);
    ScrollBox->setObjectName(QStringLiteral("ScrollBox"));
    ScrollBox->setFixedHeight(140);
    auto* h = new QHBoxLayout(ScrollBox);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(0);
    auto* fields = new QWidget(ScrollBox);
    h->addWidget(fields, 1);
    Panel5 = new QFrame(ScrollBox);
    Panel5->setObjectName(QStringLiteral("Panel5"));
    Panel5->setFixedWidth(183);
    h->addWidget(Panel5);

    // Top row: Poř.číslo, Druh, Císlo, Datum, IČO.
    EditPOR_CIS = new entry::DbEdit(QStringLiteral("POR_CIS"), fields);
    EditPOR_CIS->setObjectName(QStringLiteral("EditPOR_CIS"));
    EditPOR_CIS->setGeometry(8, 22, 80, 21);
    EditPOR_CIS->setEnabled(false);
    EditPOR_CIS->setReadOnly(true);
    EditPOR_CIS->setFocusPolicy(Qt::NoFocus);
    EditPOR_CIS->setToolTip(QStringLiteral("Pořadové číslo došlé faktury"));
    makeLabel(fields, QStringLiteral("Poř.číslo"), 8, 6);

    editdruh = new entry::DbComboBox(QStringLiteral("DRUH"), fields);
    editdruh->setObjectName(QStringLiteral("editdruh"));
    editdruh->addItems({QStringLiteral("FV"), QStringLiteral("FP")});
    editdruh->setCurrentIndex(-1);
    editdruh->setEditable(false);
    editdruh->setGeometry(96, 22, 56, 21);
    editdruh->setToolTip(QStringLiteral("Druh fa"));
    auto* druhLabel = makeLabel(fields, QStringLiteral("&Druh"), 96, 6, editdruh);
    druhLabel->setToolTip(QStringLiteral("Ctrl+ALt+D zpřístupní položku"));

    EditCISLO = new entry::DbEdit(QStringLiteral("CISLO"), fields);
    EditCISLO->setObjectName(QStringLiteral("EditCISLO"));
    EditCISLO->setGeometry(160, 22, 80, 21);
    EditCISLO->setEnabled(false);
    EditCISLO->setReadOnly(true);
    EditCISLO->setFocusPolicy(Qt::NoFocus);
    EditCISLO->setToolTip(QStringLiteral("Pořadové číslo ve skupině faktur"));
    auto* cisloLabel = makeLabel(fields, QStringLiteral("&Císlo"), 160, 6, EditCISLO);
    cisloLabel->setToolTip(QStringLiteral("Ctrl+ALt+C zpřístupní položku"));

    DBDateEdit2 = new entry::DbDateEdit(QStringLiteral("DATUM"), fields);
    DBDateEdit2->setObjectName(QStringLiteral("DBDateEdit2"));
    DBDateEdit2->setGeometry(248, 22, 100, 21);
    DBDateEdit2->setToolTip(QStringLiteral("Datum - došlo dne"));
    makeLabel(fields, QStringLiteral("Datum"), 248, 6);

    editico = new entry::DbEdit(QStringLiteral("ICO"), fields);
    editico->setObjectName(QStringLiteral("editico"));
    editico->setGeometry(356, 22, 110, 21);
    makeLabel(fields, QStringLiteral("IČO"), 356, 6);

    // Middle row: Název, Číslo faktury, Doplňující text, "?".
    EditNAZEV = new entry::DbEdit(QStringLiteral("NAZEV"), fields);
    EditNAZEV->setObjectName(QStringLiteral("EditNAZEV"));
    EditNAZEV->setGeometry(8, 62, 300, 21);
    EditNAZEV->setToolTip(QStringLiteral("Název dodavatele"));
    makeLabel(fields, QStringLiteral("Název"), 8, 46);

    EditCIS_FAK = new entry::DbEdit(QStringLiteral("CIS_FAK"), fields);
    EditCIS_FAK->setObjectName(QStringLiteral("EditCIS_FAK"));
    EditCIS_FAK->setGeometry(316, 62, 120, 21);
    EditCIS_FAK->setToolTip(QStringLiteral("Číslo faktury dodavatele"));
    makeLabel(fields, QStringLiteral("Číslo faktury"), 316, 46);

    editd_text = new entry::DbEdit(QStringLiteral("D_TEXT"), fields);
    editd_text->setObjectName(QStringLiteral("editd_text"));
    editd_text->setGeometry(444, 62, 300, 21);
    editd_text->setToolTip(QStringLiteral("Číslo faktury dodavatele"));
    makeLabel(fields, QStringLiteral("Doplňující text"), 444, 46);

    suiButton1 = new QPushButton(QStringLiteral("?"), fields);
    suiButton1->setObjectName(QStringLiteral("suiButton1"));
    suiButton1->setGeometry(748, 61, 22, 23);
    suiButton1->setAutoDefault(false);
    QFont bold = suiButton1->font();
    bold.setBold(true);
    suiButton1->setFont(bold);

    // Bottom row: Částka Kč, Vystaveno, Splatnost, Dnů spl., Zaplaceno Kč.
    EditCASTKA = new entry::DbEdit(QStringLiteral("CASTKA"), fields);
    EditCASTKA->setObjectName(QStringLiteral("EditCASTKA"));
    EditCASTKA->setGeometry(8, 104, 100, 21);
    EditCASTKA->setMaxLength(10);
    EditCASTKA->setToolTip(QStringLiteral("Částka faktury"));
    makeLabel(fields, QStringLiteral("Částka Kč"), 8, 88);

    DBDateEdit3 = new entry::DbDateEdit(QStringLiteral("ODESLANI"), fields);
    DBDateEdit3->setObjectName(QStringLiteral("DBDateEdit3"));
    DBDateEdit3->setGeometry(116, 104, 100, 21);
    DBDateEdit3->setToolTip(QStringLiteral("Splatnost faktury"));
    makeLabel(fields, QStringLiteral("Vystaveno"), 116, 88);

    DBDateEdit1 = new entry::DbDateEdit(QStringLiteral("SPLATNOST"), fields);
    DBDateEdit1->setObjectName(QStringLiteral("DBDateEdit1"));
    DBDateEdit1->setGeometry(224, 104, 100, 21);
    DBDateEdit1->setToolTip(QStringLiteral("Splatnost faktury"));
    makeLabel(fields, QStringLiteral("Splatnost"), 224, 88);

    DBText1 = new entry::DbText(QStringLiteral("DNU"), fields);
    DBText1->setObjectName(QStringLiteral("DBText1"));
    DBText1->setGeometry(332, 104, 60, 21);
    DBText1->setAlignment(Qt::AlignCenter);
    DBText1->setFont(bold);
    makeLabel(fields, QStringLiteral("Dnů spl."), 332, 88);

    suiDBEdit1 = new entry::DbEdit(QStringLiteral("ZAPLACENO"), fields);
    suiDBEdit1->setObjectName(QStringLiteral("suiDBEdit1"));
    suiDBEdit1->setGeometry(400, 104, 100, 21);
    suiDBEdit1->setMaxLength(10);
    suiDBEdit1->setToolTip(QStringLiteral("Částka faktury"));
    makeLabel(fields, QStringLiteral("Zaplaceno Kč"), 400, 88);

    // Tab order of the fields, then the "?" button.
    QWidget* order[] = {editdruh,   DBDateEdit2, editico,     EditNAZEV,  EditCIS_FAK, editd_text,
                        EditCASTKA, DBDateEdit3, DBDateEdit1, suiDBEdit1, suiButton1};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);

    // The button column.
    ColorButton2 = makeButton(Panel5, "ColorButton2", QStringLiteral("&Nový záznam"),
                              QStringLiteral("Připravit nový záznam"), 9, 9);
    ColorButton5 =
        makeButton(Panel5, "ColorButton5", QStringLiteral("&Tisk průvodky"), QStringLiteral("Tisk průvodky"), 97, 9);
    ColorButton4 = makeButton(Panel5, "ColorButton4", QStringLiteral("Z&rušit obsah"),
                              QStringLiteral("Vyplňovat od počátku znovu"), 9, 40);
    ColorButton6 = makeButton(Panel5, "ColorButton6", QStringLiteral("&Kopie načtené"),
                              QStringLiteral("Zkopírovat z poslední"), 9, 72);
    ColorButton3 = makeButton(Panel5, "ColorButton3", QStringLiteral("&Zapsat"),
                              QStringLiteral("Zapsat větu a připravit novou"), 9, 104);
    ColorButton10 = makeButton(Panel5, "ColorButton10", QStringLiteral("&Doklady k FA"),
                               QStringLiteral("Skenování/zobrazení dokladu"), 97, 104);
    setTabOrder(suiButton1, ColorButton3);
    setTabOrder(ColorButton3, ColorButton2);
    setTabOrder(ColorButton2, ColorButton4);
    setTabOrder(ColorButton4, ColorButton6);
    setTabOrder(ColorButton6, ColorButton5);
    setTabOrder(ColorButton5, ColorButton10);

    PopupMenu2 = new QMenu(ScrollBox);
    PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    QAction* pidat = PopupMenu2->addAction(QStringLiteral("Přidat výšku"));
    pidat->setObjectName(QStringLiteral("Pidat1"));
    QAction* ubrat = PopupMenu2->addAction(QStringLiteral("Ubrat výšku"));
    ubrat->setObjectName(QStringLiteral("Ubratvku1"));
    connect(pidat, &QAction::triggered, this, [this] { app::guard(this, [&] { Pidat1Click(); }); });
    connect(ubrat, &QAction::triggered, this, [this] { app::guard(this, [&] { Ubratvku1Click(); }); });
    ScrollBox->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ScrollBox, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { PopupMenu2->popup(ScrollBox->mapToGlobal(p)); });
}

void Tform3::applyColumnWidths()
{
    m_syncing = true;
    const auto& cols = listModel->columns();
    for (int c = 0; c < cols.size(); ++c) {
        RxDBGrid1->setColumnWidth(c, cols[c].width > 0 ? cols[c].width : listModel->autoWidth(c));
        RxDBGrid1->setColumnHidden(c, !cols[c].visible);
    }
    m_syncing = false;
}

// ---------------------------------------------------------------- start-up and shut-down

void Tform3::FormCreate()
{
    // Connection settings from the settings file; without the file or its LogOn section
    // the built-in values stay.
    const base::IniFile ini(base::programDir() + QStringLiteral("ledrana.ini"));
    db::Settings s;
    if (ini.hasSection(QStringLiteral("LogOn"))) {
        const QString section = QStringLiteral("LogOn");
        s.host = ini.value(section, QStringLiteral("IP"), s.host);
        s.user = ini.value(section, QStringLiteral("User"), s.user);
        s.password = ini.value(section, QStringLiteral("Password"), s.password);
        bool ok = false;
        const int port = ini.value(section, QStringLiteral("Sqlport")).toInt(&ok);
        s.port = ok ? port : 3306;
        s.database = ini.value(section, QStringLiteral("Database"), s.database);
    }
    ZConnection1.setSettings(s);
    const bool connected = app::guard(this, [&] { ZConnection1.open(); });
    if (connected) {
        app::guard(this, [&] {
            db::Dataset names(ZConnection1);
            names.setSql(QStringLiteral("set names cp1250"));
            names.execute();
        });
    }
    FormStorage1.restorePlacement(this);
}

void Tform3::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

void Tform3::FormShow()
{
    ZQuery1.sql() = db::listQueryLines();
    if (!app::guard(this, [&] {
            ZQuery1.open();
            listModel->reload();
        }))
        return;
    const bool rest = app::guard(this, [&] {
        if (ZQuery1.isEmpty())
            ColorButton2Click();
        else
            ZQuery1.last();
        if (ZQuery1.isOpen())
            ZQuery1.last();
        syncGrid();
    });
    (void)rest;
    editdruh->setFocus();
    if (!app::guard(this, [&] { loadLayout(); }))
        return;
    // Calendar pop-ups in the window colour, their text as the register number's.
    for (auto* d : {DBDateEdit2, DBDateEdit3, DBDateEdit1}) {
        d->setProperty("calendarColor", QColor(0xF9, 0xF8, 0xF9));
        d->setProperty("calendarTextColor", EditPOR_CIS->palette().color(QPalette::Text));
    }
    FormStorage1.setSection(QStringLiteral("Nastaveni"));
    Prvni_FP = FormStorage1.readString(QStringLiteral("Prvni_FP"), QStringLiteral("150001"));
    Prvni_FV = FormStorage1.readString(QStringLiteral("Prvni_FV"), QStringLiteral("150001"));
    Jen_cteni = FormStorage1.readString(QStringLiteral("Jen_cteni"), QStringLiteral("ne"));
    FormStorage1.setSection(QString());
    QCoreApplication::processEvents();
    Timer1->start();
}

void Tform3::Timer1Timer()
{
    Timer1->stop();
    Aktualizaceprogr(true);
}

void Tform3::loadLayout()
{
    const QString path = base::programDir() + QStringLiteral("seznam.ini");
    if (!QFile::exists(path))
        return;
    const QList<app::GridColumn> cols = app::readLayout(path);
    listModel->setColumns(cols);
    applyColumnWidths();
    syncGrid();
}

void Tform3::saveLayout()
{
    QList<app::GridColumn> cols = listModel->columns();
    for (int c = 0; c < cols.size(); ++c) {
        if (!RxDBGrid1->isColumnHidden(c))
            cols[c].width = RxDBGrid1->columnWidth(c);
    }
    app::writeLayout(base::programDir() + QStringLiteral("seznam.ini"), cols);
}

void Tform3::closeEvent(QCloseEvent* event)
{
    FormClose();
    QMainWindow::closeEvent(event);
}

void Tform3::FormClose()
{
    if (m_closed)
        return;
    m_closed = true;
    app::guard(this, [&] { saveLayout(); });
    ZQuery1.close();
    table2.close();
    FormStorage1.savePlacement(this);
}

// ---------------------------------------------------------------- list helpers

void Tform3::reopenList()
{
    // A failed opening leaves the list closed and the grid empty.
    struct Reload
    {
        Tform3* w;
        ~Reload() { w->listModel->reload(); }
    } reload{this};
    ZQuery1.close();
    ZQuery1.open();
}

void Tform3::syncGrid()
{
    if (!ZQuery1.isOpen() || ZQuery1.recNo() < 0)
        return;
    m_syncing = true;
    const int column = std::max(0, RxDBGrid1->currentIndex().column());
    const QModelIndex idx = listModel->index(ZQuery1.recNo(), column);
    RxDBGrid1->selectionModel()->setCurrentIndex(idx, QItemSelectionModel::NoUpdate);
    listModel->setIndicatorRow(ZQuery1.recNo());
    RxDBGrid1->scrollTo(idx);
    m_syncing = false;
}

void Tform3::gridCurrentChanged(const QModelIndex& current)
{
    if (m_syncing || !current.isValid() || !ZQuery1.isOpen() || current.row() == ZQuery1.recNo())
        return;
    app::guard(this, [&] {
        const int row = current.row();
        const int before = ZQuery1.recNo();
        ZQuery1.moveTo(row); // writes a pending change of the row it leaves
        listModel->rowChanged(before);
        listModel->setIndicatorRow(ZQuery1.recNo());
    });
}

void Tform3::moveList(int row)
{
    ZQuery1.moveTo(row);
    syncGrid();
}

bool Tform3::locateListId(long long id)
{
    if (!ZQuery1.isOpen())
        return false;
    const bool found = ZQuery1.locate(QStringLiteral("id"), id);
    syncGrid();
    return found;
}

QList<int> Tform3::markedRows() const
{
    QList<int> rows;
    for (const QModelIndex& i : RxDBGrid1->selectionModel()->selectedRows())
        rows << i.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

void Tform3::setSideButtonsEnabled(bool enabled)
{
    for (QPushButton* b :
         {ColorButton1, ColorButton8, ColorButton12, ColorButton13, ColorButton14, ColorButton15, clrbutton1})
        b->setEnabled(enabled);
}

void Tform3::setListMode()
{
    ScrollBox->hide();
    setSideButtonsEnabled(true);
}

void Tform3::setEntryMode()
{
    ScrollBox->show();
    setSideButtonsEnabled(false);
}

bool Tform3::entryPanelVisible() const
{
    return ScrollBox->isVisibleTo(const_cast<Tform3*>(this));
}

// ---------------------------------------------------------------- grid events

void Tform3::suitempRxDBGrid1CellClick(const QModelIndex& index)
{
    if (index.isValid())
        selectedColumn = index.column();
}

void Tform3::suitempRxDBGrid1MouseDown()
{
    const QModelIndex i = RxDBGrid1->currentIndex();
    selectedColumn = i.isValid() ? i.column() : 0;
}

void Tform3::RxDBGrid1MouseEnter()
{
    suitempRxDBGrid1MouseDown();
}

void Tform3::RxDBGrid1DblClick()
{
    if (!ZQuery1.isOpen() || ZQuery1.isEmpty())
        return;
    if (base::roundHalfEven(ZQuery1.asFloat(QStringLiteral("castka"))) != 0)
        ColorButton1Click();
    else
        ColorButton13Click();
}

void Tform3::RxDBGrid1Enter()
{
    // Leaving the entry panel.
    if (!ZQuery2.isOpen())
        return;
    if (ZQuery2.state() == db::Dataset::State::Edit) {
        const bool ask = base::roundHalfEven(ZQuery2.asFloat(QStringLiteral("castka"))) != 0 &&
                         !ZQuery2.asString(QStringLiteral("nazev")).isEmpty();
        if (ask) {
            const int answer = app::MessageDialog::question(this, QStringLiteral("Pozor - neuložené změny v záznamu"),
                                                            {QStringLiteral("ingorovat"), QStringLiteral("zpět")});
            if (answer != 1) {
                editdruh->setFocus();
                return;
            }
        }
        ZQuery2.cancel();
        emit entryReloaded();
    }
    setListMode();
}

void Tform3::suitempRxDBGrid1Exit()
{
    LMDPanelFill1->hide();
}

void Tform3::RxDBGrid1TitleClick(int column)
{
    emit titleClicked(column);
}

void Tform3::Pidat1Click()
{
    FormStorage1.writeInteger(QStringLiteral("Vyska_panelu"), ScrollBox->height());
}

void Tform3::Ubratvku1Click()
{
    FormStorage1.writeInteger(QStringLiteral("Vyska_panelu"), ScrollBox->height());
}
