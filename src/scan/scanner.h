#pragma once

#include <QString>

class QWidget;

namespace scan {

// A source of scanned pages: the three operations the document window needs. All are called on
// the user-interface thread.
class Scanner
{
public:
    virtual ~Scanner() = default;

    // Scans one page from this workstation's default source into a Windows bitmap at bitmapPath,
    // replacing a file of that name. While it runs a small modal dialog shows the device and the
    // progress and offers a cancel button, and owner (when given) is disabled. Returns when the
    // acquisition is over: true when the page was written; false ("no page": no scanner, a failed
    // acquisition, cancelled) with no file at bitmapPath and lastError() saying why.
    virtual bool acquireToFile(QWidget* owner, const QString& bitmapPath) = 0;

    // Ends an acquisition that is still open; does nothing when none is.
    virtual void closeSource() = 0;

    // Shows the list of available sources; the one chosen becomes the default source of later
    // acquisitions. Returns whether a source was chosen.
    virtual bool selectSource(QWidget* owner) = 0;

    // Why the last operation gave no result; empty after success.
    virtual QString lastError() const = 0;
};

} // namespace scan
