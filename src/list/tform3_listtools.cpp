// The list grid's tools: ordering, selection, search, sum and export.
#include "app/guard.h"
#include "app/messagedialog.h"
#include "base/formats.h"
#include "base/progdir.h"
#include "db/listquery.h"
#include "list/gridview.h"
#include "list/listexport.h"
#include "list/listmodel.h"
#include "list/listsum.h"
#include "list/searchdialog.h"
#include "list/selection.h"
#include "list/tform3.h"

#include <QActionGroup>
#include <QEvent>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

namespace {

QString g_nextExportFileName;

// Hides the sum panel on a double click.
class PanelDoubleClick final : public QObject
{
public:
    explicit PanelDoubleClick(Tform3* form) : QObject(form), m_form(form) {}
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonDblClick) {
            app::guard(m_form, [&] { m_form->LMDPanelFill1DblClick(); });
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    Tform3* m_form;
};

} // namespace

void Tform3::connectListTools()
{
    PopupMenu1 = new QMenu(RxDBGrid1);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    auto* ordering = new QActionGroup(PopupMenu1);
    auto* selection = new QActionGroup(PopupMenu1);
    // A radio item carries the tick of its group once its command has done its work; when
    // the command fails, or finds the list closed, the tick goes back where it was.
    auto item = [this](const char* name, const QString& caption, QActionGroup* group, void (Tform3::*handler)()) {
        QAction* a = PopupMenu1->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        if (group) {
            a->setCheckable(true);
            group->addAction(a);
        }
        connect(a, &QAction::triggered, this, [this, a, group, handler] {
            // "Celý seznam" empties the selection line even when the reopening then fails.
            const bool ran = app::guard(this, [&] { (this->*handler)(); });
            const bool done = a == Celseznam1 || (ran && ZQuery1.isOpen());
            if (!group)
                return;
            if (done)
                group->setProperty("ticked", QVariant::fromValue<QObject*>(a));
            else if (auto* before = qobject_cast<QAction*>(group->property("ticked").value<QObject*>()))
                before->setChecked(true);
        });
        return a;
    };
    auto separator = [this](const char* name) { PopupMenu1->addSeparator()->setObjectName(QString::fromLatin1(name)); };

    vyhledat1 =
        item("vyhledat1", QStringLiteral("&Vyhledat podle vybraného sloupce"), nullptr, &Tform3::vyhledat1Click);
    separator("N7");
    Setdtpodlepoadovhosla1 = item("Setdtpodlepoadovhosla1", QStringLiteral("Setřídít podle &pořadového čísla"),
                                  ordering, &Tform3::Setdtpodlepoadovhosla1Click);
    SetditpodleIA1 =
        item("SetditpodleIA1", QStringLiteral("Setřídit podle &IČA"), ordering, &Tform3::SetditpodleIA1Click);
    Setditpodlenzvu1 =
        item("Setditpodlenzvu1", QStringLiteral("Setřídit podle &názvu"), ordering, &Tform3::Setditpodlenzvu1Click);
    Setditpodleslafaktury1 = item("Setditpodleslafaktury1", QStringLiteral("Setřídit podle čísla &faktury"), ordering,
                                  &Tform3::Setditpodleslafaktury1Click);
    Setdtpodlesladodavatele1 = item("Setdtpodlesladodavatele1", QStringLiteral("Setřídít podle druhu fa&ktury"),
                                    ordering, &Tform3::Setdtpodlesladodavatele1Click);
    separator("N1");
    Setditpodlevybranhosloupce1 =
        item("Setditpodlevybranhosloupce1", QStringLiteral("Setřídit podle v&ybraného sloupce"), ordering,
             &Tform3::Setditpodlevybranhosloupce1Click);
    separator("N5");
    Nesetdn1 = item("Nesetdn1", QStringLiteral("Ne&setříděně"), ordering, &Tform3::Nesetdn1Click);
    separator("N2");
    VybratIO1 = item("VybratIO1", QStringLiteral("&Vybrat všechny podle IČA"), selection, &Tform3::VybratIO1Click);
    Vybratdruh1 =
        item("Vybratdruh1", QStringLiteral("Vy&brat všechny podle druhu"), selection, &Tform3::Vybratdruh1Click);
    Vybratpodlesplatnosti1 = item("Vybratpodlesplatnosti1", QStringLiteral("Vyb&rat všechny podle splatnosti"),
                                  selection, &Tform3::Vybratpodlesplatnosti1Click);
    separator("N6");
    Vybratpodlevybranhosloupce1 = item("Vybratpodlevybranhosloupce1", QStringLiteral("Vybrat podle vybrané&ho sloupce"),
                                       selection, &Tform3::Vybratpodlevybranhosloupce1Click);
    separator("N8");
    Vybranexportovat1 =
        item("Vybranexportovat1", QStringLiteral("Export seznamu do Excelu"), nullptr, &Tform3::Vybranexportovat1Click);
    separator("N3");
    Celseznam1 = item("Celseznam1", QStringLiteral("&Celý seznam"), selection, &Tform3::Celseznam1Click);
    for (QAction* a : {Nesetdn1, Celseznam1}) {
        a->setChecked(true);
        a->actionGroup()->setProperty("ticked", QVariant::fromValue<QObject*>(a));
    }

    RxDBGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(RxDBGrid1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { PopupMenu1->popup(RxDBGrid1->viewport()->mapToGlobal(p)); });
    connect(this, &Tform3::titleClicked, this, [this](int column) { app::guard(this, [&] { searchColumn(column); }); });
    connect(ColorButton14, &QPushButton::clicked, this, [this] { app::guard(this, [&] { ColorButton14Click(); }); });
    LMDPanelFill1->installEventFilter(new PanelDoubleClick(this));
}

// ---------------------------------------------------------------- ordering

void Tform3::setr(const QString& keys)
{
    list::orderList(ZQuery1, keys);
    syncGrid();
    RxDBGrid1->viewport()->update();
}

void Tform3::Setdtpodlepoadovhosla1Click()
{
    setr(QStringLiteral("por_cis"));
}

void Tform3::SetditpodleIA1Click()
{
    setr(QStringLiteral("ico, por_cis"));
}

void Tform3::Setditpodlenzvu1Click()
{
    setr(QStringLiteral("nazev"));
}

void Tform3::Setditpodleslafaktury1Click()
{
    setr(QStringLiteral("cis_fak"));
}

void Tform3::Setdtpodlesladodavatele1Click()
{
    setr(QStringLiteral("druh, cislo"));
}

void Tform3::Setditpodlevybranhosloupce1Click()
{
    setr(listModel->fieldName(selectedColumn));
}

void Tform3::Nesetdn1Click()
{
    setr(QStringLiteral("por_cis"));
}

// ---------------------------------------------------------------- selection

void Tform3::vyber(const QString& name)
{
    // After a failed opening the list is closed: there is no row to take a value from,
    // and the failure was shown already.
    if (!ZQuery1.isOpen())
        return;
    const QList<app::GridColumn>& columns = listModel->columns();
    int column = 0;
    for (int c = 0; c < columns.size(); ++c)
        if (columns[c].field == name)
            column = c;
    selectedColumn = column;
    const int field = listModel->fieldOf(column);
    const db::FieldKind kind = field >= 0 ? ZQuery1.field(field).kind : db::FieldKind::Other;
    const QString condition = list::selectionCondition(ZQuery1, name, kind);
    ZQuery1.sql()[db::kSelectionLine] = condition;
    reopenList();
    syncGrid();
    for (QPushButton* b : {ColorButton14, ColorButton15, clrbutton1})
        b->setEnabled(true);
}

void Tform3::VybratIO1Click()
{
    vyber(QStringLiteral("ICO"));
}

void Tform3::Vybratdruh1Click()
{
    vyber(QStringLiteral("DRUH"));
}

void Tform3::Vybratpodlesplatnosti1Click()
{
    vyber(QStringLiteral("SPLATNOST"));
}

void Tform3::Vybratpodlevybranhosloupce1Click()
{
    vyber(listModel->fieldName(selectedColumn));
}

void Tform3::Celseznam1Click()
{
    ZQuery1.sql()[db::kSelectionLine].clear();
    reopenList();
    if (!ZQuery1.isEmpty())
        ZQuery1.last();
    syncGrid();
    for (QPushButton* b : {ColorButton14, ColorButton15, clrbutton1})
        b->setEnabled(false);
}

// ---------------------------------------------------------------- search

void Tform3::vyhledat1Click()
{
    searchColumn(selectedColumn);
}

void Tform3::searchColumn(int column)
{
    if (!ZQuery1.isOpen())
        return;
    list::SearchDialog dialog(ZQuery1, listModel->fieldName(column), this);
    connect(&dialog, &list::SearchDialog::rowFollowed, this, [this] { syncGrid(); });
    dialog.exec();
    syncGrid();
}

// ---------------------------------------------------------------- sum

void Tform3::ColorButton14Click()
{
    const double sum = list::signedSum(ZQuery1, markedRows());
    const QPoint grid = RxDBGrid1->mapTo(listArea, QPoint(0, 0));
    LMDPanelFill1->move(grid.x() + RxDBGrid1->width() - 349, grid.y() + RxDBGrid1->height() - 41);
    LMDPanelFill1->setText(list::sumText(sum, base::decimalSeparator()));
    LMDPanelFill1->show();
    LMDPanelFill1->raise();
    RxDBGrid1->viewport()->update();
}

void Tform3::LMDPanelFill1DblClick()
{
    LMDPanelFill1->hide();
}

// ---------------------------------------------------------------- export

void Tform3::setNextExportFileName(const QString& path)
{
    g_nextExportFileName = path;
}

void Tform3::Vybranexportovat1Click()
{
    QString path;
    if (!g_nextExportFileName.isEmpty()) {
        path = g_nextExportFileName;
        g_nextExportFileName.clear();
    } else {
        QFileDialog dialog(this, QStringLiteral("Kam uložit?"), base::programDir(), QStringLiteral("Excel (*.xls)"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QStringLiteral("xls"));
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return;
        path = dialog.selectedFiles().constFirst();
    }
    // The grid's visible columns, in display order.
    QList<app::GridColumn> columns = listModel->columns();
    for (int c = 0; c < columns.size(); ++c)
        columns[c].visible = columns[c].visible && !RxDBGrid1->isColumnHidden(c);
    QString error;
    if (!list::exportList(ZQuery1, columns, path, &error))
        app::MessageDialog::info(this, QStringLiteral("POZOR - chyba exportu - není instalace Excelu?"));
}
