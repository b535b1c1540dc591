#include "documents/pagepreview.h"

#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

namespace documents {

PagePreview::PagePreview(const QImage& page, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("pagePreview"));
    setWindowTitle(QStringLiteral("Náhled"));
    setModal(true);
    auto* picture = new QLabel;
    picture->setObjectName(QStringLiteral("pageImage"));
    picture->setPixmap(QPixmap::fromImage(sheet(page, logicalDpiX() > 0 ? logicalDpiX() : 96)));
    auto* area = new QScrollArea;
    area->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    area->setBackgroundRole(QPalette::Dark);
    area->setWidget(picture);
    auto* buttons = new QDialogButtonBox;
    QPushButton* close = buttons->addButton(QStringLiteral("Zavřít"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("closeButton"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(area, 1);
    layout->addWidget(buttons);
    // Fill the screen also where no window manager maximises windows.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(screen->availableGeometry());
    setWindowState(windowState() | Qt::WindowMaximized);
}

QImage PagePreview::sheet(const QImage& page, int dpi)
{
    // A4 is 210 x 297 mm.
    const QSize size(qRound(210.0 / 25.4 * dpi), qRound(297.0 / 25.4 * dpi));
    QImage sheet(size, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    if (page.isNull())
        return sheet;
    const QSize fitted = page.size().scaled(size, Qt::KeepAspectRatio);
    const QRect target(QPoint((size.width() - fitted.width()) / 2, (size.height() - fitted.height()) / 2), fitted);
    QPainter painter(&sheet);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, page);
    return sheet;
}

} // namespace documents
