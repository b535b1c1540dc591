#include "documents/tsken.h"

#include "app/guard.h"
#include "app/messagedialog.h"
#include "base/progdir.h"
#include "documents/pagepreview.h"
#include "list/tform3.h"
#include "pdf/imagepdf.h"
#include "pdf/join.h"
#include "scan/sanescanner.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QShowEvent>
#include <QUrl>

namespace {

std::function<void(const QString&)> g_openHook;
std::optional<QString> g_nextFileName;

const char* const kTag = "tag";

int tagOf(const QPushButton* button)
{
    return button ? button->property(kTag).toInt() : 0;
}

QString captionOf(const QPushButton* button)
{
    return button->text().remove(QLatin1Char('&'));
}

// The shell's "open": the system's program for the file's type shows it.
void shellOpen(const QString& path)
{
    if (g_openHook)
        g_openHook(path);
    else
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption, int left, int top, int width,
                        int tag)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setGeometry(left, top, width, 25);
    b->setAutoDefault(false);
    b->setProperty(kTag, tag);
    return b;
}

} // namespace

Tsken::Tsken(Tform3* form3)
    : QDialog(form3), presenceQuery(form3->ZConnection1), workQuery(form3->ZConnection1), m_form3(form3)
{
    setObjectName(QStringLiteral("Tsken"));
    setWindowTitle(QStringLiteral("Ledrana - scanner"));
    setModal(true);
    buildWindow();
    form3->sken = this;
}

Tsken::~Tsken()
{
    if (m_form3->sken == this)
        m_form3->sken = nullptr;
}

void Tsken::buildWindow()
{
    setFixedSize(328, 202);

    suiPanel1 = new QFrame(this);
    suiPanel1->setObjectName(QStringLiteral("suiPanel1"));
    suiPanel1->setFrameShape(QFrame::StyledPanel);
    suiPanel1->setGeometry(6, 6, 316, 150);
    panelTitle = new QLabel(QStringLiteral("Skenované doklady"), suiPanel1);
    panelTitle->setObjectName(QStringLiteral("panelTitle"));
    panelTitle->setGeometry(1, 1, 314, 20);
    panelTitle->setAlignment(Qt::AlignCenter);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    nastzesouboru1 = PopupMenu1->addAction(QStringLiteral("načíst ze souboru"));
    nastzesouboru1->setObjectName(QStringLiteral("nastzesouboru1"));
    connect(nastzesouboru1, &QAction::triggered, this, [this] { app::guard(this, [&] { nastzesouboru1Click(); }); });

    static const char* const scanNames[] = {"suiButton1", "suiButton7", "suiButton9"};
    static const char* const viewNames[] = {"suiButton3", "suiButton8", "suiButton10"};
    static const char* const deleteNames[] = {"suiButton12", "suiButton13", "suiButton14"};
    const QString captions[] = {QStringLiteral("Faktura"), QStringLiteral("Příloha faktury"),
                                QStringLiteral("Průvodka")};
    for (int row = 0; row < 3; ++row) {
        const int top = 32 + row * 38;
        const int tag = row + 1;
        QPushButton* scanButton =
            makeButton(suiPanel1, QString::fromLatin1(scanNames[row]), captions[row], 12, top, 120, tag);
        QPushButton* view =
            makeButton(suiPanel1, QString::fromLatin1(viewNames[row]), QStringLiteral("Zobrazit"), 146, top, 75, tag);
        QPushButton* del =
            makeButton(suiPanel1, QString::fromLatin1(deleteNames[row]), QStringLiteral("Smazat"), 229, top, 75, tag);
        view->setEnabled(false);
        del->setEnabled(false);
        scanButtons[row] = scanButton;
        viewButtons[row] = view;
        deleteButtons[row] = del;

        scanButton->installEventFilter(this);
        scanButton->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(scanButton, &QWidget::customContextMenuRequested, this,
                [this, scanButton](const QPoint& at) { openPopup(scanButton, at); });
        connect(scanButton, &QPushButton::clicked, this,
                [this, scanButton] { app::guard(this, [&] { suiButton1Click(scanButton); }); });
        connect(view, &QPushButton::clicked, this, [this, view] { app::guard(this, [&] { suiButton3Click(view); }); });
        connect(del, &QPushButton::clicked, this, [this, del] { app::guard(this, [&] { suiButton12Click(del); }); });
    }

    suiButton20 = makeButton(this, QStringLiteral("suiButton20"), QStringLiteral("scanner"), 6, 167, 75, 0);
    suiButton21 = makeButton(this, QStringLiteral("suiButton21"), QStringLiteral("zpět"), 247, 167, 75, 0);
    connect(suiButton20, &QPushButton::clicked, this, [this] { app::guard(this, [&] { suiButton20Click(); }); });
    connect(suiButton21, &QPushButton::clicked, this, [this] { done(1); });
}

// ---------------------------------------------------------------- window events

void Tsken::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        app::guard(this, [&] { FormShow(); });
}

void Tsken::done(int result)
{
    app::guard(this, [&] { FormClose(); });
    QDialog::done(result);
}

bool Tsken::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress)
        for (QPushButton* b : scanButtons)
            if (watched == b)
                suiButton1MouseDown(b);
    return QDialog::eventFilter(watched, event);
}

void Tsken::FormShow()
{
    sken_okno = nullptr;
    panelTitle->setStyleSheet(QStringLiteral("QLabel { color: white; background: #6C5A33; font-weight: bold; }"));
    Zjisti_dokl();
    popis_dokl.clear();
}

void Tsken::FormClose()
{
    if (sken_okno) {
        scanner().closeSource();
        sken_okno = nullptr;
    }
}

void Tsken::suiButton1MouseDown(QPushButton* button)
{
    typ_dokl = tagOf(button);
    popis_dokl = captionOf(button);
}

// The popup menu opens also from the keyboard; the button it belongs to gives the type then.
void Tsken::openPopup(QPushButton* button, const QPoint& at)
{
    suiButton1MouseDown(button);
    PopupMenu1->popup(button->mapToGlobal(at));
}

// ---------------------------------------------------------------- shared pieces

scan::Scanner& Tsken::scanner()
{
    if (!m_scanner)
        m_scanner = std::make_unique<scan::SaneScanner>();
    return *m_scanner;
}

void Tsken::setScanner(std::unique_ptr<scan::Scanner> scanner)
{
    m_scanner = std::move(scanner);
}

void Tsken::setOpenHook(std::function<void(const QString&)> hook)
{
    g_openHook = std::move(hook);
}

void Tsken::setNextFileName(std::optional<QString> fileName)
{
    g_nextFileName = std::move(fileName);
}

documents::Invoice Tsken::currentInvoice() const
{
    documents::Invoice invoice;
    const db::Dataset& list = m_form3->ZQuery1;
    if (list.isOpen() && !list.isEmpty() && list.recNo() >= 0) {
        invoice.ico = list.asString(QStringLiteral("ico"));
        invoice.porCis = list.asString(QStringLiteral("por_cis"));
        invoice.cisFak = list.asString(QStringLiteral("cis_fak"));
    }
    return invoice;
}

// The question dialog: help icon; its buttons give 1, 2 and 6.
int Tsken::ask(const QString& text, const QStringList& buttons)
{
    return app::MessageDialog::question(this, text, buttons, app::MessageDialog::Icon::Help);
}

// The error dialog: stop icon, one button "pokračovat".
void Tsken::tell(const QString& text)
{
    app::MessageDialog::question(this, text, {QStringLiteral("pokračovat")}, app::MessageDialog::Icon::Stop);
}

bool Tsken::refuseViewOnly()
{
    if (!m_form3->viewOnly())
        return false;
    app::MessageDialog::question(this, QStringLiteral("NELZE - pracujete v režimu JEN PROHLÍŽENÍ!"),
                                 {QStringLiteral("OK")}, app::MessageDialog::Icon::Stop);
    return true;
}

void Tsken::Zjisti_dokl()
{
    je_dokl.fill(false);
    for (int row = 0; row < 3; ++row) {
        viewButtons[row]->setEnabled(false);
        deleteButtons[row]->setEnabled(false);
        viewButtons[row]->setProperty(kTag, row + 1);
        deleteButtons[row]->setProperty(kTag, row + 1);
        scanButtons[row]->setEnabled(true);
    }
    je_dokl = documents::findPresent(presenceQuery, currentInvoice());
    for (int typ = documents::kFirstType; typ <= documents::kLastType; ++typ) {
        viewButtons[typ - 1]->setEnabled(je_dokl[typ]);
        deleteButtons[typ - 1]->setEnabled(je_dokl[typ]);
    }
}

// ---------------------------------------------------------------- scanning

void Tsken::suiButton1Click(QPushButton* button)
{
    const int typ = tagOf(button);
    const QString popis = captionOf(button);
    if (refuseViewOnly())
        return;
    const QString dir = base::programDir();
    const QString documentFile = dir + QString::number(typ) + QStringLiteral(".pdf");
    const QString bitmapFile = dir + QStringLiteral("_str.bmp");
    const QString pageFile = dir + QStringLiteral("_str.pdf");
    for (const QString& name : {QStringLiteral("tt.bmp"), QStringLiteral("tt.jpg"), QStringLiteral("_str.pdf")})
        QFile::remove(dir + name);
    QFile::remove(documentFile);

    if (je_dokl[std::size_t(typ)] && ask(QStringLiteral("Pozor - bude přepsán původní dokument!"),
                                         {QStringLiteral("pokračovat"), QStringLiteral("storno")}) != 1)
        return;

    for (;;) {
        QImage page;
        if (!acquirePage(bitmapFile, pageFile, &page))
            return;
        showPage(page);
        spoj(documentFile);
        QApplication::processEvents();
        const int next = ask(QStringLiteral("Vyberte čím pokračovat:"),
                             {QStringLiteral("další strana"), QStringLiteral("hotovo"), QStringLiteral("storno")});
        if (next == 6)
            return;
        if (next == 2)
            break;
    }

    if (!QFile::exists(documentFile)) {
        tell(QStringLiteral("POZOR - chyba při zápisu PDF. Doklad neuložen."));
        return;
    }
    const documents::Invoice invoice = currentInvoice();
    documents::storeDocument(workQuery, invoice, {typ, popis, invoice.cisFak, std::nullopt}, documentFile);
    Zjisti_dokl();
}

// Acquires one page into bitmapFile and lays it on an A4 page in pageFile. A page that does not
// come (no scanner, a failed or cancelled acquisition) or cannot be read asks whether to try
// again. False when the user gives up.
bool Tsken::acquirePage(const QString& bitmapFile, const QString& pageFile, QImage* page)
{
    for (;;) {
        // Every attempt starts clean, so a failed one never passes off an older page as new.
        QFile::remove(bitmapFile);
        QApplication::processEvents();
        sken_okno = this;
        scanner().acquireToFile(this, bitmapFile);
        QApplication::processEvents();
        scanner().closeSource();
        sken_okno = nullptr;
        QApplication::processEvents();

        if (QFile::exists(bitmapFile)) {
            *page = QImage(bitmapFile);
            if (!page->isNull() && pdf::imageToA4Pdf(*page, pageFile))
                return true;
        }
        if (ask(QStringLiteral("Chyba skenování dokladu!"), {QStringLiteral("opakovat"), QStringLiteral("storno")}) !=
            1)
            return false;
    }
}

void Tsken::showPage(const QImage& page)
{
    documents::PagePreview preview(page, this);
    preview.exec();
}

// The page in "_str.pdf" goes behind the pages joined so far. The join writes beside the
// document and renames, so a failed join leaves the pages so far as they were.
void Tsken::spoj(const QString& documentFile)
{
    QString error;
    if (!pdf::appendPages(documentFile, base::programDir() + QStringLiteral("_str.pdf"), &error))
        tell(QStringLiteral("POZOR - stranu se nepodařilo připojit k dokladu, dosavadní strany zůstávají.\n") + error);
}

void Tsken::suiButton20Click()
{
    if (refuseViewOnly())
        return;
    scanner().selectSource(this);
}

// ---------------------------------------------------------------- loading, viewing, deleting

QString Tsken::chooseFile()
{
    if (g_nextFileName) {
        const QString name = *g_nextFileName;
        g_nextFileName.reset();
        return name;
    }
    QFileDialog dialog(this, QStringLiteral("Vyhledat dokument"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({QStringLiteral("PDF (*.pdf)"), QStringLiteral("JPG (*.jpg)")});
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

void Tsken::nastzesouboru1Click()
{
    const int typ = typ_dokl;
    const QString popis = popis_dokl;
    if (refuseViewOnly())
        return;
    // The type comes from the scan button the menu was opened on.
    if (typ < documents::kFirstType || typ > documents::kLastType)
        return;
    if (je_dokl[std::size_t(typ)] && ask(QStringLiteral("Pozor - bude přepsán původní dokument!"),
                                         {QStringLiteral("pokračovat"), QStringLiteral("storno")}) != 1)
        return;
    const QString chosen = chooseFile();
    if (chosen.isEmpty())
        return;

    // The document keeps the chosen file's bytes, whatever its kind; viewing opens it by its content.
    const QString documentFile = base::programDir() + QString::number(typ) + QStringLiteral(".pdf");
    QFile::remove(documentFile);
    QFile::copy(chosen, documentFile);
    struct RemoveAfter
    {
        QString file;
        ~RemoveAfter() { QFile::remove(file); }
    } removeAfter{documentFile};
    documents::storeDocument(workQuery, currentInvoice(), {typ, popis, QString(), QString()}, documentFile);
    Zjisti_dokl();
}

void Tsken::suiButton3Click(QPushButton* button)
{
    const QString file = documents::writeStoredDocument(workQuery, currentInvoice(), tagOf(button),
                                                        base::programDir() + QStringLiteral("__pr"));
    if (QFile::exists(file))
        shellOpen(file);
}

void Tsken::suiButton12Click(QPushButton* button)
{
    const int typ = tagOf(button);
    if (refuseViewOnly())
        return;
    if (ask(QStringLiteral("POZOR - dojde ke smazání dokumentu!"),
            {QStringLiteral("pokračovat"), QStringLiteral("storno")}) != 1)
        return;
    documents::deleteDocuments(workQuery, currentInvoice(), typ);
    Zjisti_dokl();
}
