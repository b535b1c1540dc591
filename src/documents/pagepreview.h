#pragma once

#include <QDialog>
#include <QImage>

namespace documents {

// A scanned page as it lies on its A4 sheet: shown modally and maximised at 100 % zoom until
// the user closes it.
class PagePreview final : public QDialog
{
    Q_OBJECT
public:
    explicit PagePreview(const QImage& page, QWidget* parent = nullptr);

    // The A4 sheet at the given resolution with the page fitted (aspect ratio kept) and centred.
    static QImage sheet(const QImage& page, int dpi);
};

} // namespace documents
