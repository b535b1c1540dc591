#pragma once

#include <QString>

class QImage;

namespace pdf {

// Writes a one-page A4 portrait PDF without margins with the image fitted to the page, its
// aspect ratio kept, and centred. An existing file at pdfPath is replaced only when the new one
// has been written completely. On failure returns false and *error (when given) says why.
bool imageToA4Pdf(const QImage& image, const QString& pdfPath, QString* error = nullptr);

} // namespace pdf
