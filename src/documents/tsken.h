#pragma once

#include "db/dataset.h"
#include "documents/docstore.h"

#include <QDialog>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QFrame;
class QImage;
class QLabel;
class QMenu;
class QPushButton;
class Tform3;

namespace scan {
class Scanner;
}

// The document window of one invoice (fsken): up to three documents, each scanned page by page,
// loaded from a file, viewed or deleted. The main window shows it modally for the current row
// of its list; the window reads that row and the view-only setting whenever it needs them.
class Tsken : public QDialog
{
    Q_OBJECT
public:
    explicit Tsken(Tform3* form3);
    ~Tsken() override;

    // ---- handlers ----
    void FormShow();
    void FormClose();
    void suiButton1MouseDown(QPushButton* button); // any mouse button on a scan button
    void Zjisti_dokl();                            // presence refresh
    void suiButton1Click(QPushButton* button);     // scan
    void suiButton20Click();                       // choose the scanner
    void spoj(const QString& documentFile);        // join the scanned page behind the pages before
    void nastzesouboru1Click();                    // load from a file
    void suiButton3Click(QPushButton* button);     // view
    void suiButton12Click(QPushButton* button);    // delete

    // ---- state ----
    documents::Presence je_dokl{};
    int typ_dokl = 0;             // tag of the scan button last pressed with a mouse button
    QString popis_dokl;           // its caption; emptied whenever the window is shown
    QWidget* sken_okno = nullptr; // the window given to an acquisition while it runs

    // ---- controls ----
    QFrame* suiPanel1 = nullptr; // "Skenované doklady"
    QLabel* panelTitle = nullptr;
    std::array<QPushButton*, 3> scanButtons{};   // suiButton1, suiButton7, suiButton9
    std::array<QPushButton*, 3> viewButtons{};   // suiButton3, suiButton8, suiButton10
    std::array<QPushButton*, 3> deleteButtons{}; // suiButton12, suiButton13, suiButton14
    QPushButton* suiButton20 = nullptr;          // scanner
    QPushButton* suiButton21 = nullptr;          // zpět
    QMenu* PopupMenu1 = nullptr;
    QAction* nastzesouboru1 = nullptr;

    // The presence query and the work query, on the main window's connection.
    db::Dataset presenceQuery;
    db::Dataset workQuery;

    // The scanner; a SANE scanner with this workstation's settings unless one was set.
    scan::Scanner& scanner();
    void setScanner(std::unique_ptr<scan::Scanner> scanner);

    // The invoice that is current in the main window's list.
    documents::Invoice currentInvoice() const;

    // ---- test hooks ----
    // Replaces the shell's "open" of a viewed document (nullptr: open for real).
    static void setOpenHook(std::function<void(const QString&)> hook);
    // The next file-open dialog is not shown and gives this name (empty: cancelled; nullopt: show it).
    static void setNextFileName(std::optional<QString> fileName);

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildWindow();
    bool refuseViewOnly();
    int ask(const QString& text, const QStringList& buttons);
    void tell(const QString& text);
    bool acquirePage(const QString& bitmapFile, const QString& pageFile, QImage* page);
    void showPage(const QImage& page);
    void openPopup(QPushButton* button, const QPoint& at);
    QString chooseFile();

    Tform3* m_form3;
    std::unique_ptr<scan::Scanner> m_scanner;
};
