#pragma once

#include "scan/scanner.h"

#include <memory>

namespace scan {

// Scanner on SANE. The default source is kept per workstation in an INI file: the one given, or
// the application's own settings (QSettings with the organisation and application names) when
// none is given. Without a chosen source the first device SANE reports is used.
class SaneScanner final : public Scanner
{
public:
    explicit SaneScanner(const QString& settingsFile = QString());
    ~SaneScanner() override;
    SaneScanner(const SaneScanner&) = delete;
    SaneScanner& operator=(const SaneScanner&) = delete;

    bool acquireToFile(QWidget* owner, const QString& bitmapPath) override;
    void closeSource() override;
    bool selectSource(QWidget* owner) override;
    QString lastError() const override;

    // The SANE device name of the default source; empty when none was chosen.
    QString defaultSource() const;
    void setDefaultSource(const QString& deviceName);

    // Resolution asked of the device, in dots per inch (the nearest one the device offers is used).
    int resolution() const;
    void setResolution(int dpi);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace scan
