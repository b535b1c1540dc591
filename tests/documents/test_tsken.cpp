// The document window driven through its real widgets: opening from the main window, presence,
// view-only refusals, loading, viewing, deleting, and scanning from SANE's `test` device.
#include "app/messagedialog.h"
#include "base/progdir.h"
#include "db/dataset.h"
#include "db/sqltext.h"
#include "documents/tsken.h"
#include "list/tform3.h"
#include "scan/sanescanner.h"
#include "testdb.h"
#include "testenv.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <utility>

using app::MessageDialog;
using Icon = app::MessageDialog::Icon;

namespace {

// Invoice with quotes and a backslash in the values that go into statements.
const QString kIco = QStringLiteral("25\"59'6\\41");
const QString kCisFak = QStringLiteral("FA\"26\\01");
constexpr int kPorCis = 2600001;
constexpr int kHalfPorCis = 2600002; // amount 0.5, which rounds to 0

const QString kOverwrite = QStringLiteral("Pozor - bude přepsán původní dokument!");
const QString kNext = QStringLiteral("Vyberte čím pokračovat:");
const QString kScanError = QStringLiteral("Chyba skenování dokladu!");
const QString kRefusal = QStringLiteral("NELZE - pracujete v režimu JEN PROHLÍŽENÍ!");

QString saneDir()
{
    return testenv::tmpDir() + QStringLiteral("/sane");
}

void writeFile(const QString& path, const QByteArray& content)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(content);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The test device's settings for the next SANE start-up; "" also drops the device.
void writeSaneConf(const QByteArray& testConf, const QByteArray& backends = "test\n")
{
    QDir().mkpath(saneDir());
    writeFile(saneDir() + QStringLiteral("/dll.conf"), backends);
    writeFile(saneDir() + QStringLiteral("/test.conf"), testConf);
}

// One page of the test device: its settings and the resolution asked.
struct Page
{
    QByteArray conf;
    int dpi = 50;
};

// The real SANE scanner, started afresh for every page so that each page can come from other
// settings of the test device (SANE reads them at start-up only).
class PageByPageScanner final : public scan::Scanner
{
public:
    explicit PageByPageScanner(QList<Page> pages) : m_pages(std::move(pages)) {}

    bool acquireToFile(QWidget* owner, const QString& bitmapPath) override
    {
        const Page page = m_pages.isEmpty() ? Page() : m_pages.takeFirst();
        writeSaneConf(page.conf);
        scan::SaneScanner scanner(testenv::tmpDir() + QStringLiteral("/scanner.ini"));
        scanner.setResolution(page.dpi);
        const bool ok = scanner.acquireToFile(owner, bitmapPath);
        m_error = scanner.lastError();
        ++attempts;
        return ok;
    }
    void closeSource() override {}
    bool selectSource(QWidget*) override { return false; }
    QString lastError() const override { return m_error; }

    int attempts = 0;

private:
    QList<Page> m_pages;
    QString m_error;
};

const Page kBlack{"test-picture \"Solid black\"\n"};
const Page kGrid{"test-picture \"Grid\"\n"};
const Page kWhite{"test-picture \"Solid white\"\n"};
// Several seconds of reading: time to cancel it.
const Page kSlow{"mode Color\ntest-picture \"Color pattern\"\nread-limit true\nread-limit-size 1000\n"
                 "read-delay true\nread-delay-duration 20000\n",
                 300};

// Acts on every window with the object name while it lives.
class WindowWatch : public QObject
{
public:
    WindowWatch(const QString& objectName, std::function<void(QWidget*)> act)
        : m_name(objectName), m_act(std::move(act))
    {
        qApp->installEventFilter(this);
    }
    int shown = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched->objectName() == m_name) {
            ++shown;
            m_act(static_cast<QWidget*>(watched));
        }
        return false;
    }

private:
    QString m_name;
    std::function<void(QWidget*)> m_act;
};

// Closes each page preview once it is up; counts the maximised ones.
struct PreviewCloser
{
    int maximised = 0;
    WindowWatch watch{QStringLiteral("pagePreview"), [this](QWidget* w) {
                          if (w->windowState() & Qt::WindowMaximized)
                              ++maximised;
                          QTimer::singleShot(0, w, [w] { static_cast<QDialog*>(w)->reject(); });
                      }};
};

QString run(const QString& program, const QStringList& args, int* code = nullptr)
{
    QString out;
    const int rc = testenv::run(program, args, &out);
    if (code)
        *code = rc;
    return out;
}

int pageCount(const QString& pdf)
{
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(run(QStringLiteral("pdfinfo"), {pdf}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// Page n rendered in gray at 20 dpi.
QImage renderPage(const QString& pdf, int page)
{
    const QString base = pdf + QStringLiteral(".p%1").arg(page);
    run(QStringLiteral("pdftoppm"),
        {QStringLiteral("-r"), QStringLiteral("20"), QStringLiteral("-gray"), QStringLiteral("-f"),
         QString::number(page), QStringLiteral("-l"), QString::number(page), QStringLiteral("-singlefile"), pdf, base});
    return QImage(base + QStringLiteral(".pgm"));
}

double meanGray(const QImage& image)
{
    double sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            sum += qGray(image.pixel(x, y));
    return sum / std::max(1, image.width() * image.height());
}

QRect darkBox(const QImage& image)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                box |= QRect(x, y, 1, 1);
    return box;
}

struct Shown
{
    QString text;
    QStringList buttons;
    Icon icon;
};

QList<Shown> shownDialogs()
{
    QList<Shown> out;
    for (const auto& s : MessageDialog::takeShown())
        out << Shown{s.text, s.buttons, s.icon};
    return out;
}

QStringList shownTexts()
{
    QStringList out;
    for (const Shown& s : shownDialogs())
        out << s.text;
    return out;
}

struct TskenTest : ::testing::Test
{
    static testenv::TestDb* db;
    static void SetUpTestSuite()
    {
        // SANE takes the name of its configuration directory once per process.
        writeSaneConf(kBlack.conf);
        qputenv("SANE_CONFIG_DIR", QFile::encodeName(saneDir()));
        db = new testenv::TestDb(QStringLiteral("tsken"));
    }
    static void TearDownTestSuite() { delete db; }

    void SetUp() override
    {
        db->clear();
        db->exec(QStringLiteral("insert into ledrana (por_cis, druh, ico, nazev, cis_fak, castka) values "
                                "(%1, 'FP', %2, 'Alfa', %3, 1200), (%4, 'FP', '111', 'Beta', 'X', 0.5)")
                     .arg(kPorCis)
                     .arg(db::quote(kIco), db::quote(kCisFak))
                     .arg(kHalfPorCis));
        MessageDialog::setAutoAnswer(true, 2); // an unexpected dialog must not hang the run
        MessageDialog::takeShown();
        Tsken::setOpenHook([this](const QString& path) { opened << path; });
        Tsken::setNextFileName(std::nullopt);
    }
    void TearDown() override
    {
        MessageDialog::setAutoAnswer(false);
        Tsken::setOpenHook(nullptr);
        sken.reset();
        form.reset();
    }

    // The main window on the test database, its list on the invoice, and the document window.
    void start(const QString& extraIni = QString(), int porCis = kPorCis)
    {
        dir = testenv::tmpDir() + QLatin1Char('/') +
              QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name());
        QDir(dir).removeRecursively();
        QDir().mkpath(dir);
        db->writeSettingsFile(dir, extraIni);
        base::setProgramDirForTests(dir);
        dir = base::programDir();
        form = std::make_unique<Tform3>();
        form->show();
        form->Timer1->stop();
        ASSERT_TRUE(form->ZQuery1.locate(QStringLiteral("por_cis"), porCis));
        sken = std::make_unique<Tsken>(form.get());
        MessageDialog::takeShown();
    }
    void showWindow()
    {
        sken->show();
        QApplication::processEvents();
    }

    // A stored document written by something else than the window.
    void addDocument(int typ, const QByteArray& content, const QString& ico = kIco)
    {
        db->admin().executeParams(
            QStringLiteral("insert into dokladya (ico, typ, popis, por_cis, obsah) values (?, ?, 'jinde', ?, ?)"),
            {ico, typ, kPorCis, content});
    }
    QList<QByteArray> documents(int typ)
    {
        db::Dataset q(db->admin());
        q.sql() << QStringLiteral("select obsah from dokladya where typ = %1 and ico = %2 and por_cis = %3")
                       .arg(typ)
                       .arg(db::quote(kIco))
                       .arg(kPorCis);
        q.open();
        QList<QByteArray> out;
        for (q.first(); !q.eof(); q.next())
            out << q.asBytes(QStringLiteral("obsah"));
        return out;
    }
    QString column(int typ, const char* name)
    {
        const QVariant v = db->scalar(QStringLiteral("select %1 from dokladya where typ = %2 and ico = %3")
                                          .arg(QLatin1String(name))
                                          .arg(typ)
                                          .arg(db::quote(kIco)));
        return v.isNull() ? QStringLiteral("NULL") : v.toString();
    }
    // Enabled view and delete buttons, as "V1 D1 ..." by row.
    QString enabledRows() const
    {
        QStringList out;
        for (int row = 0; row < 3; ++row) {
            if (sken->viewButtons[row]->isEnabled())
                out << QStringLiteral("V%1").arg(row + 1);
            if (sken->deleteButtons[row]->isEnabled())
                out << QStringLiteral("D%1").arg(row + 1);
        }
        return out.join(QLatin1Char(' '));
    }
    // "načíst ze souboru" from the popup menu of a scan button, opened with the right button.
    void loadFromMenu(int row, std::optional<QString> file)
    {
        Tsken::setNextFileName(std::move(file));
        QTest::mousePress(sken->scanButtons[row], Qt::RightButton);
        QTest::mouseRelease(sken->scanButtons[row], Qt::RightButton);
        sken->PopupMenu1->hide();
        sken->nastzesouboru1->trigger();
        Tsken::setNextFileName(std::nullopt);
    }
    PageByPageScanner* useScanner(QList<Page> pages)
    {
        auto scanner = std::make_unique<PageByPageScanner>(std::move(pages));
        PageByPageScanner* raw = scanner.get();
        sken->setScanner(std::move(scanner));
        return raw;
    }
    // The stored document of typ written to a file for the PDF tools.
    QString storedPdf(int typ)
    {
        const QList<QByteArray> docs = documents(typ);
        EXPECT_EQ(docs.size(), 1);
        const QString path = dir + QStringLiteral("stored%1.pdf").arg(typ);
        writeFile(path, docs.value(0));
        return path;
    }

    std::unique_ptr<Tform3> form;
    std::unique_ptr<Tsken> sken;
    QString dir;
    QStringList opened;
};
testenv::TestDb* TskenTest::db = nullptr;

} // namespace

TEST_F(TskenTest, OpeningButtonsTestTheListRowFirst)
{
    struct Case
    {
        const char* name;
        bool documentsButton; // "Doklady k FA", else "Ukaž doklad"
        int porCis;
        bool editing;
        QString message; // empty: the window opens
    };
    const QString unsaved = QStringLiteral("POZOR - neuložené změny záznamu!");
    const QString zero = QStringLiteral("POZOR - nulová částka v záznamu!");
    const Case cases[] = {
        {"documents", true, kPorCis, false, {}},
        {"documents unsaved", true, kPorCis, true, unsaved},
        {"documents zero amount", true, kHalfPorCis, false, zero},
        {"show", false, kHalfPorCis, false, {}},
        {"show unsaved", false, kPorCis, true, unsaved},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        start(QString(), c.porCis);
        if (c.editing)
            form->ZQuery1.edit();
        bool opened = false;
        QTimer::singleShot(0, sken.get(), [&] {
            opened = sken->isVisible();
            if (opened)
                sken->suiButton21->click(); // zpět
        });
        (c.documentsButton ? form->ColorButton10 : form->ColorButton12)->click();
        QApplication::processEvents();
        EXPECT_EQ(opened, c.message.isEmpty());
        EXPECT_FALSE(sken->isVisible());
        if (opened) {
            EXPECT_EQ(sken->result(), 1);
        }
        const QList<Shown> shown = shownDialogs();
        if (c.message.isEmpty()) {
            EXPECT_TRUE(shown.isEmpty());
        } else {
            ASSERT_EQ(shown.size(), 1);
            EXPECT_EQ(shown[0].text, c.message);
            EXPECT_EQ(shown[0].buttons, QStringList{QStringLiteral("OK")});
        }
        if (c.editing)
            form->ZQuery1.cancel();
        sken.reset();
        form.reset();
    }
}

TEST_F(TskenTest, PresenceFollowsTheTypesOfThisInvoice)
{
    start();
    showWindow();
    EXPECT_EQ(enabledRows(), QString());
    for (QPushButton* b : sken->scanButtons)
        EXPECT_TRUE(b->isEnabled());
    sken->hide();

    addDocument(1, "one");
    addDocument(1, "one again");
    addDocument(3, "three");
    addDocument(4, "four, not the window's");
    addDocument(2, "another company's", QStringLiteral("999"));
    QTest::mousePress(sken->scanButtons[1], Qt::MiddleButton);
    QTest::mouseRelease(sken->scanButtons[1], Qt::MiddleButton);
    EXPECT_EQ(sken->typ_dokl, 2);
    EXPECT_EQ(sken->popis_dokl, QStringLiteral("Příloha faktury"));

    showWindow();
    EXPECT_EQ(enabledRows(), QStringLiteral("V1 D1 V3 D3"));
    EXPECT_TRUE(sken->je_dokl[1] && sken->je_dokl[3]);
    EXPECT_FALSE(sken->je_dokl[2] || sken->je_dokl[4]);
    // Showing again forgets the caption, not the type.
    EXPECT_EQ(sken->typ_dokl, 2);
    EXPECT_TRUE(sken->popis_dokl.isEmpty());
    EXPECT_TRUE(shownDialogs().isEmpty());
}

TEST_F(TskenTest, ViewOnlyRefusesChangesBeforeTouchingAnythingAndStillViews)
{
    start(QStringLiteral("[Nastaveni]\nJen_cteni=ano\n"));
    addDocument(1, "%PDF-1.4 stored");
    const QStringList working{QStringLiteral("1.pdf"), QStringLiteral("_str.pdf"), QStringLiteral("_str.bmp"),
                              QStringLiteral("tt.bmp")};
    for (const QString& name : working)
        writeFile(dir + name, name.toUtf8());
    const QString chosen = dir + QStringLiteral("chosen.pdf");
    writeFile(chosen, "%PDF-1.4 chosen");
    showWindow();
    useScanner({kBlack});

    const std::pair<const char*, std::function<void()>> actions[] = {
        {"scan", [&] { sken->scanButtons[0]->click(); }},
        {"scanner", [&] { sken->suiButton20->click(); }},
        {"load", [&] { loadFromMenu(0, chosen); }},
        {"delete", [&] { sken->deleteButtons[0]->click(); }},
    };
    for (const auto& [name, act] : actions) {
        SCOPED_TRACE(name);
        act();
        const QList<Shown> shown = shownDialogs();
        ASSERT_EQ(shown.size(), 1);
        EXPECT_EQ(shown[0].text, kRefusal);
        EXPECT_EQ(shown[0].buttons, QStringList{QStringLiteral("OK")});
        EXPECT_EQ(shown[0].icon, Icon::Stop);
    }
    for (const QString& name : working)
        EXPECT_EQ(readFile(dir + name), name.toUtf8()) << name.toStdString();
    EXPECT_EQ(documents(1), QList<QByteArray>{"%PDF-1.4 stored"});

    sken->viewButtons[0]->click();
    EXPECT_EQ(opened, QStringList{dir + QStringLiteral("__pr.pdf")});
    EXPECT_EQ(readFile(dir + QStringLiteral("__pr.pdf")), QByteArray("%PDF-1.4 stored"));
    EXPECT_TRUE(shownDialogs().isEmpty());
}

TEST_F(TskenTest, LoadedFilesAreStoredAndViewedByteForByte)
{
    start();
    showWindow();
    // A real PDF with bytes a text conversion would spoil.
    const QString pdf = dir + QStringLiteral("faktura.pdf");
    writeFile(pdf, QByteArray("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n") + QByteArray(5000, '\0') + "\r\n\x1A\\\"'%%EOF\n");
    loadFromMenu(1, pdf);
    EXPECT_TRUE(shownDialogs().isEmpty());
    EXPECT_EQ(documents(2), QList<QByteArray>{readFile(pdf)});
    EXPECT_EQ(column(2, "popis"), QStringLiteral("Příloha faktury"));
    EXPECT_EQ(column(2, "cislodokladu"), QString());
    EXPECT_EQ(column(2, "objednavka"), QString());
    EXPECT_EQ(column(2, "por_cis"), QString::number(kPorCis));
    EXPECT_FALSE(QFile::exists(dir + QStringLiteral("2.pdf")));
    EXPECT_EQ(enabledRows(), QStringLiteral("V2 D2"));

    sken->viewButtons[1]->click();
    EXPECT_EQ(opened, QStringList{dir + QStringLiteral("__pr.pdf")});
    EXPECT_EQ(readFile(dir + QStringLiteral("__pr.pdf")), readFile(pdf));

    // Over an existing document: "storno", then a cancelled file dialog change nothing.
    MessageDialog::queueAnswers({2, 1});
    loadFromMenu(1, pdf);
    loadFromMenu(1, QString());
    const QList<Shown> asked = shownDialogs();
    ASSERT_EQ(asked.size(), 2);
    for (const Shown& s : asked) {
        EXPECT_EQ(s.text, kOverwrite);
        EXPECT_EQ(s.buttons, (QStringList{QStringLiteral("pokračovat"), QStringLiteral("storno")}));
        EXPECT_EQ(s.icon, Icon::Help);
    }
    EXPECT_EQ(documents(2), QList<QByteArray>{readFile(pdf)});

    // A JPG keeps its bytes and opens as what it is.
    const QString jpg = dir + QStringLiteral("doklad.jpg");
    QImage picture(60, 40, QImage::Format_RGB32);
    picture.fill(Qt::darkBlue);
    ASSERT_TRUE(picture.save(jpg, "JPG"));
    MessageDialog::queueAnswers({1});
    loadFromMenu(1, jpg);
    EXPECT_EQ(shownTexts(), QStringList{kOverwrite});
    EXPECT_EQ(documents(2), QList<QByteArray>{readFile(jpg)});
    sken->viewButtons[1]->click();
    EXPECT_EQ(opened.value(1), dir + QStringLiteral("__pr.jpg"));
    EXPECT_EQ(readFile(dir + QStringLiteral("__pr.jpg")), readFile(jpg));
    EXPECT_FALSE(QImage(dir + QStringLiteral("__pr.jpg")).isNull());
}

TEST_F(TskenTest, DeleteAsksFirst)
{
    start();
    addDocument(3, "three");
    addDocument(3, "three again");
    addDocument(1, "one");
    showWindow();
    for (int answer : {2, 1}) {
        SCOPED_TRACE(answer);
        MessageDialog::queueAnswers({answer});
        sken->deleteButtons[2]->click();
        const QList<Shown> shown = shownDialogs();
        ASSERT_EQ(shown.size(), 1);
        EXPECT_EQ(shown[0].text, QStringLiteral("POZOR - dojde ke smazání dokumentu!"));
        EXPECT_EQ(shown[0].buttons, (QStringList{QStringLiteral("pokračovat"), QStringLiteral("storno")}));
        EXPECT_EQ(shown[0].icon, Icon::Help);
        EXPECT_EQ(documents(3).size(), answer == 1 ? 0 : 2);
        EXPECT_EQ(enabledRows(), answer == 1 ? QStringLiteral("V1 D1") : QStringLiteral("V1 D1 V3 D3"));
    }
    EXPECT_EQ(documents(1), QList<QByteArray>{"one"});
}

TEST_F(TskenTest, ScannedPagesBecomeOneA4DocumentInScanningOrder)
{
    start();
    addDocument(1, "earlier invoice");
    showWindow();
    PreviewCloser previews;

    // One page over an earlier document.
    useScanner({kBlack});
    MessageDialog::queueAnswers({1, 2}); // pokračovat, hotovo
    sken->scanButtons[0]->click();
    const QList<Shown> asked = shownDialogs();
    ASSERT_EQ(asked.size(), 2);
    EXPECT_EQ(asked[0].text, kOverwrite);
    EXPECT_EQ(asked[1].text, kNext);
    EXPECT_EQ(asked[1].buttons,
              (QStringList{QStringLiteral("další strana"), QStringLiteral("hotovo"), QStringLiteral("storno")}));
    EXPECT_EQ(asked[1].icon, Icon::Help);
    EXPECT_EQ(previews.maximised, 1);
    EXPECT_EQ(column(1, "popis"), QStringLiteral("Faktura"));
    EXPECT_EQ(column(1, "cislodokladu"), kCisFak);
    EXPECT_EQ(column(1, "objednavka"), QStringLiteral("NULL"));
    const QString one = storedPdf(1);
    int check = -1;
    run(QStringLiteral("qpdf"), {QStringLiteral("--check"), one}, &check);
    EXPECT_EQ(check, 0);
    EXPECT_EQ(pageCount(one), 1);
    EXPECT_TRUE(run(QStringLiteral("pdfinfo"), {one}).contains(QStringLiteral("(A4)")));
    // The square page fills the sheet's width and sits in the middle of its height.
    const QImage sheet = renderPage(one, 1);
    const QRect ink = darkBox(sheet);
    const int margin = (sheet.height() - sheet.width()) / 2;
    EXPECT_LE(ink.left(), 1);
    EXPECT_GE(ink.right(), sheet.width() - 2);
    EXPECT_NEAR(ink.top(), margin, 2);
    EXPECT_NEAR(sheet.height() - 1 - ink.bottom(), margin, 2);
    // The joined document and the last page stay in the program directory.
    EXPECT_EQ(readFile(dir + QStringLiteral("1.pdf")), documents(1).value(0));
    EXPECT_TRUE(QFile::exists(dir + QStringLiteral("_str.bmp")));
    EXPECT_EQ(enabledRows(), QStringLiteral("V1 D1"));

    // Three pages: black, grid, white come back in that order.
    useScanner({kBlack, kGrid, kWhite});
    MessageDialog::queueAnswers({1, 1, 2}); // další strana, další strana, hotovo
    sken->scanButtons[1]->click();
    EXPECT_EQ(shownTexts(), (QStringList{kNext, kNext, kNext}));
    const QString three = storedPdf(2);
    run(QStringLiteral("qpdf"), {QStringLiteral("--check"), three}, &check);
    EXPECT_EQ(check, 0);
    ASSERT_EQ(pageCount(three), 3);
    const double black = meanGray(renderPage(three, 1));
    const double grid = meanGray(renderPage(three, 2));
    const double white = meanGray(renderPage(three, 3));
    EXPECT_LT(black, grid);
    EXPECT_LT(grid, white);
    EXPECT_GT(white, 250);
    EXPECT_EQ(column(2, "popis"), QStringLiteral("Příloha faktury"));
}

TEST_F(TskenTest, NoPageAsksToRepeatAndStornoStoresNothing)
{
    start();
    addDocument(3, "earlier cover sheet");
    showWindow();
    PreviewCloser previews;
    struct Case
    {
        const char* name;
        QList<int> answers;
        QStringList asked;
        int attempts;
        int pages; // of the stored cover sheet; 0 = the earlier one stays
    };
    const Case cases[] = {
        {"opakovat", {1, 1, 2}, {kOverwrite, kScanError, kNext}, 2, 1},
        {"storno", {1, 2}, {kOverwrite, kScanError}, 1, 0},
        {"storno after two pages", {1, 1, 1, 6}, {kOverwrite, kScanError, kNext, kNext}, 3, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        db->exec(QStringLiteral("delete from dokladya"));
        addDocument(3, "earlier cover sheet");
        sken->Zjisti_dokl();
        // The first attempt is cancelled in the scanner's own dialog.
        PageByPageScanner* scanner = useScanner({kSlow, kBlack, kWhite});
        WindowWatch cancel(QStringLiteral("scanProgressDialog"), [scanner](QWidget* dialog) {
            if (scanner->attempts == 0)
                QTimer::singleShot(100, dialog, [dialog] {
                    dialog->findChild<QPushButton*>(QStringLiteral("cancelButton"))->click();
                });
        });
        MessageDialog::queueAnswers(c.answers);
        sken->scanButtons[2]->click();
        EXPECT_EQ(shownTexts(), c.asked);
        EXPECT_EQ(scanner->attempts, c.attempts);
        if (c.pages == 0) {
            EXPECT_EQ(documents(3), QList<QByteArray>{"earlier cover sheet"});
        } else {
            EXPECT_EQ(pageCount(storedPdf(3)), c.pages);
        }
        if (c.attempts == 3) { // the pages scanned so far stay on disk
            EXPECT_EQ(pageCount(dir + QStringLiteral("3.pdf")), 2);
        }
    }
}

TEST_F(TskenTest, FailedJoinIsToldAndKeepsThePagesSoFar)
{
    start();
    showWindow();
    // The second page's file is spoilt while its preview is up, so that joining it fails.
    int previews = 0;
    WindowWatch spoil(QStringLiteral("pagePreview"), [&](QWidget* w) {
        if (++previews == 2)
            writeFile(dir + QStringLiteral("_str.pdf"), "not a PDF");
        QTimer::singleShot(0, w, [w] { static_cast<QDialog*>(w)->reject(); });
    });
    useScanner({kBlack, kWhite});
    MessageDialog::queueAnswers({1, 1, 2}); // další strana, pokračovat, hotovo
    sken->scanButtons[0]->click();
    const QList<Shown> shown = shownDialogs();
    ASSERT_EQ(shown.size(), 3);
    EXPECT_EQ(shown[0].text, kNext);
    EXPECT_TRUE(shown[1].text.startsWith(QStringLiteral("POZOR - stranu se nepodařilo připojit k dokladu")))
        << shown[1].text.toStdString();
    EXPECT_EQ(shown[1].buttons, QStringList{QStringLiteral("pokračovat")});
    EXPECT_EQ(shown[1].icon, Icon::Stop);
    EXPECT_EQ(shown[2].text, kNext);
    // The first page was stored.
    const QString stored = storedPdf(1);
    EXPECT_EQ(pageCount(stored), 1);
    EXPECT_LT(meanGray(renderPage(stored, 1)), 128);
}
