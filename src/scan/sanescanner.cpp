#include "scan/sanescanner.h"

#include "scan/saneimage.h"
#include "scan/scandialogs.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QSettings>
#include <QTemporaryFile>
#include <QWidget>

#include <sane/sane.h>
#include <sane/saneopts.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>

namespace scan {

namespace {

const QString kSourceKey = QStringLiteral("Skener/zdroj");

// sane_init and sane_exit once per process, however many scanners live in it.
std::mutex g_saneMutex;
int g_saneUsers = 0;
SANE_Status g_saneInit = SANE_STATUS_GOOD;

SANE_Status saneAcquire()
{
    std::lock_guard lock(g_saneMutex);
    if (g_saneUsers++ == 0) {
        SANE_Int version = 0;
        g_saneInit = sane_init(&version, nullptr);
    }
    return g_saneInit;
}

void saneRelease()
{
    std::lock_guard lock(g_saneMutex);
    if (--g_saneUsers == 0 && g_saneInit == SANE_STATUS_GOOD)
        sane_exit();
}

QString statusText(SANE_Status status)
{
    return QString::fromLocal8Bit(sane_strstatus(status));
}

// Runs work on a thread of its own while this thread keeps painting (user input is held back),
// so a slow device search does not freeze the windows.
void runAside(const std::function<void()>& work)
{
    QEventLoop loop;
    std::thread worker([&] {
        work();
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
}

QList<SourceEntry> listDevices(QString* error)
{
    const SANE_Device** devices = nullptr;
    const SANE_Status status = sane_get_devices(&devices, SANE_FALSE);
    if (status != SANE_STATUS_GOOD) {
        *error = QStringLiteral("Seznam skenerů nelze získat: %1").arg(statusText(status));
        return {};
    }
    QList<SourceEntry> list;
    for (int i = 0; devices && devices[i]; ++i) {
        const SANE_Device* dev = devices[i];
        list.append(
            {QString::fromLocal8Bit(dev->name),
             QStringLiteral("%1 %2").arg(QString::fromLocal8Bit(dev->vendor), QString::fromLocal8Bit(dev->model))});
    }
    if (list.isEmpty())
        *error = QStringLiteral("Nebyl nalezen žádný skener.");
    return list;
}

// --- device options -------------------------------------------------------------------------

struct Option
{
    SANE_Int index = -1;
    const SANE_Option_Descriptor* desc = nullptr;
};

Option findOption(SANE_Handle h, const char* name)
{
    SANE_Int count = 0;
    if (sane_control_option(h, 0, SANE_ACTION_GET_VALUE, &count, nullptr) != SANE_STATUS_GOOD)
        return {};
    for (SANE_Int i = 1; i < count; ++i) {
        const SANE_Option_Descriptor* d = sane_get_option_descriptor(h, i);
        if (d && d->name && std::strcmp(d->name, name) == 0) {
            if (SANE_OPTION_IS_ACTIVE(d->cap) && SANE_OPTION_IS_SETTABLE(d->cap) &&
                (d->type == SANE_TYPE_INT || d->type == SANE_TYPE_FIXED) && d->size == sizeof(SANE_Word))
                return {i, d};
            return {};
        }
    }
    return {};
}

double toDouble(const Option& o, SANE_Word w)
{
    return o.desc->type == SANE_TYPE_FIXED ? SANE_UNFIX(w) : double(w);
}

SANE_Word toWord(const Option& o, double v)
{
    return o.desc->type == SANE_TYPE_FIXED ? SANE_FIX(v) : SANE_Word(std::lround(v));
}

// The allowed value of the option nearest to `wanted`.
SANE_Word nearestAllowed(const Option& o, double wanted)
{
    switch (o.desc->constraint_type) {
    case SANE_CONSTRAINT_RANGE: {
        const SANE_Range* r = o.desc->constraint.range;
        double v = std::clamp(wanted, toDouble(o, r->min), toDouble(o, r->max));
        SANE_Word w = toWord(o, v);
        if (r->quant > 0)
            w = r->min + (w - r->min) / r->quant * r->quant;
        return w;
    }
    case SANE_CONSTRAINT_WORD_LIST: {
        const SANE_Word* list = o.desc->constraint.word_list;
        SANE_Word best = toWord(o, wanted);
        double bestDistance = -1;
        for (SANE_Int i = 1; i <= list[0]; ++i) {
            const double distance = std::abs(toDouble(o, list[i]) - wanted);
            if (bestDistance < 0 || distance < bestDistance) {
                best = list[i];
                bestDistance = distance;
            }
        }
        return best;
    }
    default:
        return toWord(o, wanted);
    }
}

double rangeEnd(const Option& o, bool upper, double fallback)
{
    if (o.desc->constraint_type != SANE_CONSTRAINT_RANGE)
        return fallback;
    return toDouble(o, upper ? o.desc->constraint.range->max : o.desc->constraint.range->min);
}

void setOption(SANE_Handle h, const char* name, const std::function<double(const Option&)>& wanted)
{
    const Option o = findOption(h, name);
    if (o.index < 0)
        return;
    SANE_Word value = nearestAllowed(o, wanted(o));
    sane_control_option(h, o.index, SANE_ACTION_SET_VALUE, &value, nullptr);
}

// Resolution and an A4 scan area from the top left corner, where the device offers them.
void configure(SANE_Handle h, int dpi)
{
    setOption(h, SANE_NAME_SCAN_RESOLUTION, [&](const Option&) { return double(dpi); });
    setOption(h, SANE_NAME_SCAN_TL_X, [](const Option& o) { return rangeEnd(o, false, 0); });
    setOption(h, SANE_NAME_SCAN_TL_Y, [](const Option& o) { return rangeEnd(o, false, 0); });
    const auto bottomRight = [](double a4mm) {
        return [a4mm](const Option& o) {
            const double max = rangeEnd(o, true, a4mm);
            if (o.desc->unit != SANE_UNIT_MM)
                return max; // pixels: the whole area
            return std::min(max, rangeEnd(o, false, 0) + a4mm);
        };
    };
    setOption(h, SANE_NAME_SCAN_BR_X, bottomRight(210));
    setOption(h, SANE_NAME_SCAN_BR_Y, bottomRight(297));
}

// --- one acquisition ------------------------------------------------------------------------

// Shared between the user-interface thread, which may cancel, and the acquiring thread.
struct Acquisition
{
    std::mutex mutex;
    SANE_Handle handle = nullptr; // set while the device is open
    std::atomic<bool> cancel{false};

    void requestCancel()
    {
        std::lock_guard lock(mutex);
        cancel = true;
        if (handle)
            sane_cancel(handle); // allowed from another thread while the device is read
    }
};

struct AcquireResult
{
    bool written = false;
    bool cancelled = false;
    QString error;
};

bool saveBitmap(const QImage& image, const QString& path, QString* error)
{
    const QFileInfo info(path);
    QTemporaryFile out(info.absolutePath() + QLatin1Char('/') + info.fileName() + QStringLiteral(".XXXXXX"));
    if (!out.open()) {
        *error = QStringLiteral("Soubor %1 nelze vytvořit: %2").arg(QDir::toNativeSeparators(path), out.errorString());
        return false;
    }
    // 8-bit gray pages are written as a palette bitmap with a gray palette.
    const QImage bmp =
        image.format() == QImage::Format_Grayscale8 ? image.convertToFormat(QImage::Format_Indexed8) : image;
    if (!bmp.save(&out, "BMP") || !out.flush()) {
        *error = QStringLiteral("Soubor %1 nelze zapsat: %2").arg(QDir::toNativeSeparators(path), out.errorString());
        return false;
    }
    out.close();
    QFile::setPermissions(out.fileName(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(out.fileName().toStdU16String()),
                            std::filesystem::path(path.toStdU16String()), ec);
    if (ec) {
        *error = QStringLiteral("Soubor %1 nelze zapsat: %2")
                     .arg(QDir::toNativeSeparators(path), QString::fromLocal8Bit(ec.message()));
        return false;
    }
    out.setAutoRemove(false);
    return true;
}

// Runs on the acquiring thread. Progress and the device found go to the dialog as queued calls.
AcquireResult acquire(Acquisition& acq, QString device, int dpi, const QString& bitmapPath,
                      QPointer<ScanProgressDialog> dialog)
{
    AcquireResult result;
    const auto post = [&](std::function<void(ScanProgressDialog*)> call) {
        QMetaObject::invokeMethod(
            dialog.data(),
            [dialog, call] {
                if (dialog)
                    call(dialog.data());
            },
            Qt::QueuedConnection);
    };

    QString shown = device;
    if (device.isEmpty()) {
        const QList<SourceEntry> devices = listDevices(&result.error);
        if (devices.isEmpty())
            return result;
        device = devices.front().name;
        shown = devices.front().name + QStringLiteral(" — ") + devices.front().description;
    }
    post([shown](ScanProgressDialog* d) { d->setDevice(shown); });
    if (acq.cancel) {
        result.cancelled = true;
        return result;
    }

    SANE_Handle h = nullptr;
    const QByteArray name = device.toLocal8Bit();
    SANE_Status status = sane_open(name.constData(), &h);
    if (status != SANE_STATUS_GOOD) {
        result.error = QStringLiteral("Skener %1 nelze otevřít: %2").arg(device, statusText(status));
        return result;
    }
    {
        std::lock_guard lock(acq.mutex);
        acq.handle = h;
    }

    configure(h, dpi);
    std::vector<SaneFrame> frames;
    QByteArray buffer(64 * 1024, Qt::Uninitialized);
    int shownPercent = -2;
    bool lastFrame = false;
    while (!lastFrame && !acq.cancel && result.error.isEmpty()) {
        status = sane_start(h);
        if (status == SANE_STATUS_GOOD)
            status = acq.cancel ? SANE_STATUS_CANCELLED : SANE_STATUS_GOOD;
        SaneFrame frame;
        if (status == SANE_STATUS_GOOD)
            status = sane_get_parameters(h, &frame.params);
        if (status == SANE_STATUS_CANCELLED) {
            acq.cancel = true;
            break;
        }
        if (status != SANE_STATUS_GOOD) {
            result.error = QStringLiteral("Skenování se nezdařilo: %1").arg(statusText(status));
            break;
        }
        lastFrame = frame.params.last_frame;
        const int passes = frame.params.format == SANE_FRAME_GRAY || frame.params.format == SANE_FRAME_RGB ? 1 : 3;
        const qint64 expected = frame.params.lines > 0 ? qint64(frame.params.lines) * frame.params.bytes_per_line : 0;
        if (expected > 0)
            frame.data.reserve(expected);
        for (;;) {
            SANE_Int length = 0;
            status = sane_read(h, reinterpret_cast<SANE_Byte*>(buffer.data()), SANE_Int(buffer.size()), &length);
            if (status == SANE_STATUS_EOF)
                break;
            if (status == SANE_STATUS_GOOD && acq.cancel)
                status = SANE_STATUS_CANCELLED;
            if (status == SANE_STATUS_CANCELLED) {
                acq.cancel = true;
                break;
            }
            if (status != SANE_STATUS_GOOD) {
                result.error = QStringLiteral("Skenování se nezdařilo: %1").arg(statusText(status));
                break;
            }
            frame.data.append(buffer.constData(), length);
            const int percent =
                expected > 0 ? int((frames.size() * 100 + 100 * frame.data.size() / expected) / passes) : -1;
            if (percent != shownPercent) {
                shownPercent = percent;
                post([percent](ScanProgressDialog* d) { d->setProgress(percent); });
            }
        }
        frames.push_back(std::move(frame));
    }

    // Back to idle, then the device is closed; a cancel from now on finds no handle.
    sane_cancel(h);
    {
        std::lock_guard lock(acq.mutex);
        acq.handle = nullptr;
    }
    sane_close(h);

    if (acq.cancel) {
        result.cancelled = true;
        return result;
    }
    if (!result.error.isEmpty())
        return result;
    const QImage page = imageFromFrames(frames, &result.error);
    if (page.isNull())
        return result;
    frames.clear();
    result.written = saveBitmap(page, bitmapPath, &result.error);
    return result;
}

} // namespace

struct SaneScanner::Private
{
    QString settingsFile;
    int dpi = 200;
    QString lastError;
    bool busy = false;
    Acquisition* running = nullptr; // the acquisition in progress, for closeSource()

    std::unique_ptr<QSettings> settings() const
    {
        return settingsFile.isEmpty() ? std::make_unique<QSettings>()
                                      : std::make_unique<QSettings>(settingsFile, QSettings::IniFormat);
    }

    bool ready()
    {
        if (g_saneInit != SANE_STATUS_GOOD) {
            lastError = QStringLiteral("Rozhraní skenerů nelze spustit: %1").arg(statusText(g_saneInit));
            return false;
        }
        if (busy) {
            lastError = QStringLiteral("Skener je právě používán.");
            return false;
        }
        return true;
    }
};

SaneScanner::SaneScanner(const QString& settingsFile) : d(std::make_unique<Private>())
{
    d->settingsFile = settingsFile;
    saneAcquire();
}

SaneScanner::~SaneScanner()
{
    saneRelease();
}

QString SaneScanner::lastError() const
{
    return d->lastError;
}

QString SaneScanner::defaultSource() const
{
    return d->settings()->value(kSourceKey).toString();
}

void SaneScanner::setDefaultSource(const QString& deviceName)
{
    auto s = d->settings();
    s->setValue(kSourceKey, deviceName);
    s->sync();
}

int SaneScanner::resolution() const
{
    return d->dpi;
}

void SaneScanner::setResolution(int dpi)
{
    d->dpi = dpi;
}

bool SaneScanner::acquireToFile(QWidget* owner, const QString& bitmapPath)
{
    d->lastError.clear();
    if (!d->ready())
        return false;
    // A page from an earlier attempt must never pass for this one.
    if (QFile::exists(bitmapPath) && !QFile::remove(bitmapPath)) {
        d->lastError = QStringLiteral("Soubor %1 nelze smazat.").arg(QDir::toNativeSeparators(bitmapPath));
        return false;
    }

    // The dialog has no parent: disabling the owner would disable a child dialog with it.
    ScanProgressDialog dialog;
    dialog.setModal(true);
    const QString device = defaultSource();
    if (!device.isEmpty())
        dialog.setDevice(device);
    if (owner) {
        dialog.adjustSize();
        dialog.move(owner->window()->frameGeometry().center() - dialog.rect().center());
    }
    const bool ownerWasEnabled = owner && owner->isEnabled();
    if (owner)
        owner->setEnabled(false);

    Acquisition acq;
    QObject::connect(&dialog, &ScanProgressDialog::cancelRequested, &dialog, [&acq] { acq.requestCancel(); });
    d->busy = true;
    d->running = &acq;
    AcquireResult result;
    QPointer<ScanProgressDialog> target(&dialog);
    std::atomic<bool> finished{false};
    std::thread worker([&, target, device, dpi = d->dpi] {
        result = acquire(acq, device, dpi, bitmapPath, target);
        finished = true;
        QMetaObject::invokeMethod(&dialog, &ScanProgressDialog::finish, Qt::QueuedConnection);
    });
    dialog.exec();
    // The dialog closes only when the worker is done, unless the whole application is leaving.
    if (!finished)
        acq.requestCancel();
    worker.join();
    d->running = nullptr;
    d->busy = false;
    if (owner)
        owner->setEnabled(ownerWasEnabled);

    if (result.written)
        return true;
    d->lastError = result.cancelled ? QStringLiteral("Skenování bylo zrušeno.") : result.error;
    QFile::remove(bitmapPath);
    return false;
}

void SaneScanner::closeSource()
{
    if (d->running)
        d->running->requestCancel();
}

bool SaneScanner::selectSource(QWidget* owner)
{
    d->lastError.clear();
    if (!d->ready())
        return false;
    d->busy = true;
    QList<SourceEntry> devices;
    QString error;
    runAside([&] { devices = listDevices(&error); });
    d->busy = false;

    SourceDialog dialog(devices, defaultSource(), owner);
    const bool accepted = dialog.exec() == QDialog::Accepted && !dialog.chosen().isEmpty();
    if (!accepted) {
        d->lastError = error;
        return false;
    }
    setDefaultSource(dialog.chosen());
    return true;
}

} // namespace scan
