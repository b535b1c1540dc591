#pragma once

#include "app/gridcolumn.h"
#include "app/settingsstore.h"
#include "db/connection.h"
#include "db/dataset.h"

#include <QMainWindow>

#include <functional>
#include <memory>

class QFrame;
class QLabel;
class QMenu;
class QAction;
class QPushButton;
class QTimer;
class QScrollArea;

namespace entry {
class DbEdit;
class DbDateEdit;
class DbComboBox;
class DbText;
} // namespace entry

namespace report {
class Report;
}

namespace list {
class GridView;
class ListModel;
} // namespace list

// The main window: the invoice list above, the entry panel below. It owns the one database
// connection and the queries on it. Handlers keep the names the system gives them; each is
// thin and runs inside the error guard.
class Tform3 : public QMainWindow
{
    Q_OBJECT
public:
    explicit Tform3(QWidget* parent = nullptr);
    ~Tform3() override;

    // ---- start-up and shut-down ----
    void FormCreate();
    void FormShow();
    void FormClose();
    void Timer1Timer();
    bool formShown() const { return m_shown; }

    // ---- shared objects ----
    db::Connection ZConnection1;
    db::Dataset ZQuery1{ZConnection1}; // the list
    db::Dataset ZQuery2{ZConnection1}; // the entry panel's one record
    db::Dataset table2{ZConnection1};  // scratch statements
    app::SettingsStore FormStorage1;
    QTimer* Timer1 = nullptr;

    // Window-level settings, read once at start-up.
    QString Prvni_FP;
    QString Prvni_FV;
    QString Jen_cteni;
    bool viewOnly() const { return Jen_cteni == QLatin1String("ano"); }

    // Entry mode mark: "OPRAVA" while a listed record is edited, empty otherwise.
    QString rezim;

    // ---- list ----
    list::GridView* RxDBGrid1 = nullptr;
    list::ListModel* listModel = nullptr;
    int selectedColumn = 0;
    // Reopens the list query with its text, ordering and selection; the grid follows.
    void reopenList();
    // Moves the list (and the grid) to a row in list order.
    void moveList(int row);
    // Moves the list to the row with this id; false when the list does not hold it.
    bool locateListId(long long id);
    // The grid follows the list query's current row.
    void syncGrid();
    // Rows marked in the grid, in list order.
    QList<int> markedRows() const;
    void setListMode();
    void setEntryMode();
    void setSideButtonsEnabled(bool enabled);
    bool entryPanelVisible() const;
    void saveLayout();
    void loadLayout();

    // Grid events.
    void suitempRxDBGrid1CellClick(const QModelIndex& index);
    void suitempRxDBGrid1MouseDown();
    void RxDBGrid1MouseEnter();
    void RxDBGrid1DblClick();
    void RxDBGrid1Enter();
    void suitempRxDBGrid1Exit();
    void RxDBGrid1TitleClick(int column);
    void Pidat1Click();
    void Ubratvku1Click();

    // Side panel.
    QFrame* Panel2 = nullptr;
    QPushButton* ColorButton1 = nullptr;  // Oprava
    QPushButton* ColorButton8 = nullptr;  // Smazat
    QPushButton* ColorButton13 = nullptr; // Nový záznam
    QPushButton* ColorButton14 = nullptr; // Součet Kč
    QPushButton* ColorButton15 = nullptr; // Tisk výběru
    QPushButton* clrbutton1 = nullptr;    // Tisk průvodek
    QPushButton* ColorButton12 = nullptr; // Ukaž doklad
    QFrame* DBNavigator1 = nullptr;
    QLabel* LMDPanelFill1 = nullptr; // the sum panel
    QWidget* listArea = nullptr;

    // Entry panel.
    QFrame* ScrollBox = nullptr;
    QFrame* Panel5 = nullptr;
    entry::DbEdit* EditPOR_CIS = nullptr;
    entry::DbComboBox* editdruh = nullptr;
    entry::DbEdit* EditCISLO = nullptr;
    entry::DbDateEdit* DBDateEdit2 = nullptr; // Datum
    entry::DbEdit* editico = nullptr;
    entry::DbEdit* EditNAZEV = nullptr;
    entry::DbEdit* EditCIS_FAK = nullptr;
    entry::DbEdit* editd_text = nullptr;
    entry::DbEdit* EditCASTKA = nullptr;
    entry::DbDateEdit* DBDateEdit3 = nullptr; // Vystaveno
    entry::DbDateEdit* DBDateEdit1 = nullptr; // Splatnost
    entry::DbEdit* suiDBEdit1 = nullptr;      // Zaplaceno
    entry::DbText* DBText1 = nullptr;         // Dnů spl.
    QPushButton* suiButton1 = nullptr;        // "?"
    QPushButton* ColorButton2 = nullptr;      // Nový záznam
    QPushButton* ColorButton5 = nullptr;      // Tisk průvodky
    QPushButton* ColorButton4 = nullptr;      // Zrušit obsah
    QPushButton* ColorButton6 = nullptr;      // Kopie načtené
    QPushButton* ColorButton3 = nullptr;      // Zapsat
    QPushButton* ColorButton10 = nullptr;     // Doklady k FA
    QMenu* PopupMenu2 = nullptr;

    // ---- record entry (src/entry) ----
    void connectEntry();
    void ColorButton2Click();  // new-record allocation
    void ColorButton13Click(); // side panel's new-entry mode
    void ColorButton1Click();  // Oprava
    void ColorButton3Click();  // Zapsat
    void ColorButton4Click();  // Zrušit obsah
    void ColorButton6Click();  // Kopie načtené
    void ColorButton8Click();  // Smazat
    // Exit checks of the entry fields and the "?" text picker.
    void EditDRUHExit();
    void editicoExit();
    void EditCIS_FAKExit();
    void EditD_TEXTExit();
    void suiButton1Click();
    void DBDateEdit1Exit();
    // Loads the entry query with one row of ledrana (browse state); the fields show it.
    void loadEntry(long long id);
    // The entry fields show the entry query anew.
    void showEntry();
    // This window's name in the table of rows held by entry panels.
    QString entryHolder() const;
    struct EntryState;
    std::shared_ptr<EntryState> entryState;

    // ---- list tools (src/list/tform3_listtools.cpp) ----
    QMenu* PopupMenu1 = nullptr; // the grid's context menu
    QAction* vyhledat1 = nullptr;
    QAction* Setdtpodlepoadovhosla1 = nullptr;      // order by por_cis
    QAction* SetditpodleIA1 = nullptr;              // order by ico, por_cis
    QAction* Setditpodlenzvu1 = nullptr;            // order by nazev
    QAction* Setditpodleslafaktury1 = nullptr;      // order by cis_fak
    QAction* Setdtpodlesladodavatele1 = nullptr;    // order by druh, cislo
    QAction* Setditpodlevybranhosloupce1 = nullptr; // order by the selected column
    QAction* Nesetdn1 = nullptr;                    // unordered (por_cis)
    QAction* VybratIO1 = nullptr;
    QAction* Vybratdruh1 = nullptr;
    QAction* Vybratpodlesplatnosti1 = nullptr;
    QAction* Vybratpodlevybranhosloupce1 = nullptr;
    QAction* Vybranexportovat1 = nullptr;
    QAction* Celseznam1 = nullptr;
    void connectListTools();
    // Orders the list by a key list, staying on the current invoice.
    void setr(const QString& keys);
    // Narrows the list to the rows sharing the current row's value of a grid field.
    void vyber(const QString& name);
    void vyhledat1Click();
    void Setdtpodlepoadovhosla1Click();
    void SetditpodleIA1Click();
    void Setditpodlenzvu1Click();
    void Setditpodleslafaktury1Click();
    void Setdtpodlesladodavatele1Click();
    void Setditpodlevybranhosloupce1Click();
    void Nesetdn1Click();
    void VybratIO1Click();
    void Vybratdruh1Click();
    void Vybratpodlesplatnosti1Click();
    void Vybratpodlevybranhosloupce1Click();
    void Celseznam1Click();
    // The search dialog over the list, on a grid column.
    void searchColumn(int column);
    void ColorButton14Click(); // sum
    void LMDPanelFill1DblClick();
    void Vybranexportovat1Click();
    // Test hook: the next export takes this file name instead of asking.
    static void setNextExportFileName(const QString& path);

    // ---- documents (src/documents) ----
    void connectDocuments();
    void ColorButton10Click(); // Doklady k FA
    void ColorButton12Click(); // Ukaž doklad
    // The document window, created hidden at start-up; it registers itself here.
    class Tsken* sken = nullptr;

    // ---- printing (src/printing) ----
    void connectPrinting();
    std::unique_ptr<report::Report> frxReport1; // the report component, built-in list design
    void runReport(const QString& templateName, const db::Dataset& query);
    void ColorButton5Click();  // cover sheet of the record in the panel
    void clrbutton1Click();    // cover sheets of the marked received invoices
    void ColorButton15Click(); // list print

    // ---- update (src/app/tform3_update.cpp) ----
    void Aktualizaceprogr(bool quiet);
    // Starts the downloaded installer; empty = a detached, visible process. Tests record it.
    std::function<void(const QString& program, const QStringList& arguments, const QString& commandLine)>
        startInstaller;

signals:
    // The entry query was reloaded or its changes dropped: the entry fields show it anew.
    void entryReloaded();
    // A column title of the list grid was clicked.
    void titleClicked(int column);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildWindow();
    void buildSidePanel(QWidget* parent);
    void buildEntryPanel(QWidget* parent);
    void applyColumnWidths();
    void gridCurrentChanged(const QModelIndex& current);

    bool m_shown = false;
    bool m_closed = false;
    bool m_syncing = false;
    bool m_layoutBroken = false;
};
