// The SANE scanner layer against SANE's own `test` device, configured per test through a private
// SANE_CONFIG_DIR; scanimage on the same configuration gives the reference page.
#include "scan/sanescanner.h"
#include "testenv.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QtEndian>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <utility>

namespace {

// SANE reads the name of its configuration directory once per process, so every case shares
// one directory and rewrites the files in it: the backends offered and the test device's
// settings (lines of test.conf). Returns a fresh working directory for the case.
QString saneSetup(const QString& name, const QByteArray& testConf, const QByteArray& backends = "test\n")
{
    const QString sane = testenv::tmpDir() + QStringLiteral("/sane");
    QDir().mkpath(sane);
    qputenv("SANE_CONFIG_DIR", QFile::encodeName(sane));
    const auto write = [&](const QString& file, const QByteArray& text) {
        QFile f(sane + QLatin1Char('/') + file);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    };
    write(QStringLiteral("dll.conf"), backends);
    write(QStringLiteral("test.conf"), testConf);
    const QString dir = testenv::tmpDir() + QLatin1Char('/') + name;
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    return dir;
}

void writeStale(const QString& path)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("stale page from an earlier attempt");
}

// Runs `act` when a window named `objectName` is first shown while the watch lives.
class DialogWatch : public QObject
{
public:
    DialogWatch(const QString& objectName, std::function<void(QWidget*)> act)
        : m_name(objectName), m_act(std::move(act))
    {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched->objectName() == m_name && m_act) {
            auto act = std::exchange(m_act, nullptr);
            act(static_cast<QWidget*>(watched));
        }
        return false;
    }

private:
    QString m_name;
    std::function<void(QWidget*)> m_act;
};

// Picks `device` in the source dialog and closes it with "Vybrat" or "Storno".
std::unique_ptr<DialogWatch> answerSourceDialog(const QString& device, bool accept)
{
    return std::make_unique<DialogWatch>(QStringLiteral("sourceDialog"), [device, accept](QWidget* dialog) {
        QTimer::singleShot(0, dialog, [dialog, device, accept] {
            auto* list = dialog->findChild<QListWidget*>(QStringLiteral("deviceList"));
            for (int i = 0; i < list->count(); ++i)
                if (list->item(i)->text().startsWith(device))
                    list->setCurrentRow(i);
            auto* box = dialog->findChild<QDialogButtonBox*>();
            box->button(accept ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
        });
    });
}

// "BM <width>x<height>x<bits per pixel>" as the file's header says.
QString bitmapHeader(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("unreadable");
    const QByteArray h = f.read(30);
    if (h.size() < 30)
        return QStringLiteral("short");
    const auto le32 = [&](int at) { return qFromLittleEndian<qint32>(h.constData() + at); };
    return QStringLiteral("%1 %2x%3x%4")
        .arg(QString::fromLatin1(h.left(2)))
        .arg(le32(18))
        .arg(std::abs(le32(22)))
        .arg(qFromLittleEndian<quint16>(h.constData() + 28));
}

// The device the progress dialog names when it closes (the name arrives from the acquiring thread).
void recordDeviceShown(QWidget* dialog, QString* text)
{
    QObject::connect(static_cast<QDialog*>(dialog), &QDialog::finished,
                     [dialog, text] { *text = dialog->findChild<QLabel*>(QStringLiteral("deviceLabel"))->text(); });
}

QImage referenceScan(const QString& dir)
{
    const QString png = dir + QStringLiteral("/reference.pnm");
    QString out;
    EXPECT_EQ(testenv::run(QStringLiteral("sh"),
                           {QStringLiteral("-c"), QStringLiteral("scanimage -d test:0 --resolution 50 -l 0 -t 0 -x 200 "
                                                                 "-y 200 --format=pnm > '%1'")
                                                      .arg(png)},
                           &out),
              0)
        << out.toStdString();
    return QImage(png);
}

int largestDifference(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB888);
    const QImage y = b.convertToFormat(QImage::Format_RGB888);
    int worst = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int i = 0; i < 3 * x.width(); ++i)
            worst = std::max(worst, std::abs(int(x.constScanLine(row)[i]) - int(y.constScanLine(row)[i])));
    return worst;
}

} // namespace

TEST(SaneScanner, AcquiredBitmapMatchesTheDevicePage)
{
    struct Case
    {
        const char* name;
        QByteArray conf;
        const char* header; // width, height and bits per pixel in the Windows bitmap header
    };
    const Case cases[] = {
        {"gray", "mode Gray\ndepth 8\ntest-picture \"Color pattern\"\n", "BM 393x393x8"},
        {"lineart", "mode Gray\ndepth 1\ntest-picture \"Grid\"\n", "BM 393x393x8"},
        {"gray16", "mode Gray\ndepth 16\ntest-picture \"Color pattern\"\n", "BM 393x393x8"},
        {"colour", "mode Color\ndepth 8\ntest-picture \"Color pattern\"\n", "BM 393x393x24"},
        {"colour16", "mode Color\ndepth 16\ntest-picture \"Color pattern\"\n", "BM 393x393x24"},
        {"threepass", "mode Color\nthree-pass true\nthree-pass-order BGR\ntest-picture \"Color pattern\"\n",
         "BM 393x393x24"},
        {"handscanner", "mode Gray\nhand-scanner true\ntest-picture \"Grid\"\n", "BM 216x334x8"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString dir = saneSetup(QStringLiteral("acquire-") + QLatin1String(c.name), c.conf);
        const QString bmp = dir + QStringLiteral("/_str.bmp");
        writeStale(bmp);

        QWidget owner;
        owner.show();
        QString shownDevice;
        bool ownerDisabled = false;
        DialogWatch watch(QStringLiteral("scanProgressDialog"), [&](QWidget* dialog) {
            ownerDisabled = !owner.isEnabled();
            recordDeviceShown(dialog, &shownDevice);
        });
        {
            scan::SaneScanner scanner(dir + QStringLiteral("/scanner.ini"));
            scanner.setResolution(50);
            ASSERT_TRUE(scanner.acquireToFile(&owner, bmp)) << scanner.lastError().toStdString();
            EXPECT_TRUE(scanner.lastError().isEmpty());
        }
        EXPECT_TRUE(ownerDisabled);
        EXPECT_TRUE(owner.isEnabled());
        EXPECT_TRUE(shownDevice.contains(QStringLiteral("test:0"))) << shownDevice.toStdString(); // first device

        EXPECT_EQ(bitmapHeader(bmp).toStdString(), c.header);

        const QImage ours(bmp, "BMP");
        const QImage reference = referenceScan(dir);
        ASSERT_FALSE(reference.isNull());
        ASSERT_EQ(ours.size(), reference.size());
        EXPECT_GT(ours.width(), 100);
        EXPECT_GT(ours.height(), 100);
        EXPECT_LE(largestDifference(ours, reference), 1);
    }
}

TEST(SaneScanner, ChosenSourceIsRememberedAndUsed)
{
    const QString dir = saneSetup(QStringLiteral("select"), "mode Gray\n");
    const QString ini = dir + QStringLiteral("/scanner.ini");
    {
        scan::SaneScanner scanner(ini);
        EXPECT_TRUE(scanner.defaultSource().isEmpty());
        auto answer = answerSourceDialog(QStringLiteral("test:1"), true);
        EXPECT_TRUE(scanner.selectSource(nullptr));
        EXPECT_EQ(scanner.defaultSource(), QStringLiteral("test:1"));

        // Cancelling the dialog keeps the choice made before.
        answer = answerSourceDialog(QStringLiteral("test:0"), false);
        EXPECT_FALSE(scanner.selectSource(nullptr));
        EXPECT_EQ(scanner.defaultSource(), QStringLiteral("test:1"));
    }

    // A later scanner on this workstation scans from the chosen source.
    scan::SaneScanner later(ini);
    EXPECT_EQ(later.defaultSource(), QStringLiteral("test:1"));
    later.setResolution(50);
    QString shownDevice;
    DialogWatch watch(QStringLiteral("scanProgressDialog"),
                      [&](QWidget* dialog) { recordDeviceShown(dialog, &shownDevice); });
    EXPECT_TRUE(later.acquireToFile(nullptr, dir + QStringLiteral("/_str.bmp"))) << later.lastError().toStdString();
    EXPECT_TRUE(shownDevice.contains(QStringLiteral("test:1"))) << shownDevice.toStdString();
}

TEST(SaneScanner, SelectionWithoutScannersSaysSo)
{
    const QString dir = saneSetup(QStringLiteral("select-none"), "", "");
    scan::SaneScanner scanner(dir + QStringLiteral("/scanner.ini"));
    scanner.setDefaultSource(QStringLiteral("test:0"));
    auto answer = answerSourceDialog(QString(), false);
    EXPECT_FALSE(scanner.selectSource(nullptr));
    EXPECT_TRUE(scanner.lastError().contains(QStringLiteral("Nebyl nalezen žádný skener")))
        << scanner.lastError().toStdString();
    EXPECT_EQ(scanner.defaultSource(), QStringLiteral("test:0"));
}

TEST(SaneScanner, NoPageLeavesNoBitmapAndSaysWhy)
{
    // A slow device: small reads, each delayed, so that a cancel lands mid-page.
    const QByteArray slow = "read-limit true\nread-limit-size 1000\nread-delay true\nread-delay-duration 20000\n";
    enum class Act
    {
        None,
        CancelButton,
        EscKey,
        CloseSource
    };
    struct Case
    {
        const char* name;
        QByteArray conf;
        QByteArray backends;
        QString source;
        Act act;
        QString errorHas;
    };
    const Case cases[] = {
        {"unknown source", "", "test\n", QStringLiteral("test:7"), Act::None, QStringLiteral("test:7")},
        {"no scanner", "", "", {}, Act::None, QStringLiteral("Nebyl nalezen žádný skener")},
        {"device fails", "read-status-code \"SANE_STATUS_JAMMED\"\n", "test\n", {}, Act::None, {}},
        {"cancel button", slow, "test\n", {}, Act::CancelButton, QStringLiteral("zrušeno")},
        {"escape key", slow, "test\n", {}, Act::EscKey, QStringLiteral("zrušeno")},
        {"source closed", slow, "test\n", {}, Act::CloseSource, QStringLiteral("zrušeno")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString dir =
            saneSetup(QStringLiteral("nopage-") + QString::fromLatin1(c.name).replace(' ', '-'), c.conf, c.backends);
        const QString bmp = dir + QStringLiteral("/_str.bmp");
        writeStale(bmp);
        scan::SaneScanner scanner(dir + QStringLiteral("/scanner.ini"));
        scanner.setResolution(300);
        if (!c.source.isEmpty())
            scanner.setDefaultSource(c.source);
        DialogWatch watch(QStringLiteral("scanProgressDialog"), [&scanner, act = c.act](QWidget* dialog) {
            QTimer::singleShot(100, dialog, [&scanner, act, dialog] {
                if (act == Act::CancelButton)
                    dialog->findChild<QPushButton*>(QStringLiteral("cancelButton"))->click();
                else if (act == Act::EscKey)
                    QTest::keyClick(dialog, Qt::Key_Escape);
                else if (act == Act::CloseSource)
                    scanner.closeSource();
            });
        });
        QElapsedTimer clock;
        clock.start();
        EXPECT_FALSE(scanner.acquireToFile(nullptr, bmp));
        EXPECT_LT(clock.elapsed(), 5000); // a cancelled page of several seconds ends promptly
        EXPECT_FALSE(scanner.lastError().isEmpty());
        EXPECT_TRUE(scanner.lastError().contains(c.errorHas)) << scanner.lastError().toStdString();
        EXPECT_FALSE(QFile::exists(bmp));
        EXPECT_TRUE(QDir(dir).entryList({QStringLiteral("_str*")}, QDir::Files | QDir::Hidden).isEmpty());
    }
}
