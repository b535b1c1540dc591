#include "report/preview.h"

#include "report/report.h"

#include <QComboBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QToolBar>
#include <QVBoxLayout>

namespace report {

// Shows one page, painted into a cached image at the current zoom.
class PageView : public QWidget
{
public:
    explicit PageView(Report& report, QWidget* parent) : QWidget(parent), m_report(report)
    {
        setAutoFillBackground(true);
        QPalette pal = palette();
        pal.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
        setPalette(pal);
    }

    void show(int page, double zoom)
    {
        m_page = page;
        m_zoom = zoom;
        m_cache = QImage();
        const QSizeF mm = m_report.pageSizeMm(page);
        const QSize size = (mm / 25.4 * 96.0 * zoom).toSize();
        setFixedSize(size + QSize(2 * kMargin, 2 * kMargin));
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        const double dpr = devicePixelRatioF();
        const QSize pageSize = size() - QSize(2 * kMargin, 2 * kMargin);
        if (m_cache.isNull()) {
            m_cache = QImage(pageSize * dpr, QImage::Format_RGB32);
            m_cache.setDevicePixelRatio(dpr);
            m_cache.fill(Qt::white);
            QPainter ip(&m_cache);
            ip.scale(m_zoom, m_zoom);
            m_report.paintPage(m_page, ip);
        }
        p.fillRect(QRect(QPoint(kMargin + 3, kMargin + 3), pageSize), QColor(0x50, 0x50, 0x50));
        p.drawImage(QPoint(kMargin, kMargin), m_cache);
    }

private:
    static constexpr int kMargin = 12;
    Report& m_report;
    int m_page = 0;
    double m_zoom = 1;
    QImage m_cache;
};

namespace {

struct ZoomChoice
{
    const char* label;
    double zoom; // 0 page width, -1 whole page
};
constexpr ZoomChoice kZooms[] = {{"50 %", 0.5},  {"75 %", 0.75},       {"100 %", 1.0},      {"150 %", 1.5},
                                 {"200 %", 2.0}, {"Šířka stránky", 0}, {"Celá stránka", -1}};

} // namespace

PreviewDialog::PreviewDialog(Report& report, QWidget* parent) : QDialog(parent), m_report(report)
{
    setWindowTitle(QStringLiteral("Náhled"));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint);
    setModal(true);

    auto* bar = new QToolBar(this);
    bar->addAction(QStringLiteral("Tisk…"), this, &PreviewDialog::printReport);
    bar->addAction(QStringLiteral("Uložit PDF…"), this, &PreviewDialog::exportPdf);
    bar->addSeparator();
    bar->addAction(QStringLiteral("|<"), this, [this] { setCurrentPage(0); })
        ->setToolTip(QStringLiteral("První strana"));
    bar->addAction(QStringLiteral("<"), this, [this] { setCurrentPage(m_page - 1); })
        ->setToolTip(QStringLiteral("Předchozí strana"));
    m_pageBox = new QSpinBox(bar);
    m_pageBox->setRange(1, std::max(1, m_report.pageCount()));
    bar->addWidget(m_pageBox);
    m_pageCountLabel = new QLabel(bar);
    bar->addWidget(m_pageCountLabel);
    bar->addAction(QStringLiteral(">"), this, [this] { setCurrentPage(m_page + 1); })
        ->setToolTip(QStringLiteral("Další strana"));
    bar->addAction(QStringLiteral(">|"), this, [this] { setCurrentPage(m_report.pageCount() - 1); })
        ->setToolTip(QStringLiteral("Poslední strana"));
    bar->addSeparator();
    m_zoomBox = new QComboBox(bar);
    for (const auto& z : kZooms)
        m_zoomBox->addItem(QString::fromUtf8(z.label));
    m_zoomBox->setCurrentIndex(2);
    bar->addWidget(m_zoomBox);
    bar->addSeparator();
    bar->addAction(QStringLiteral("Zavřít"), this, &QDialog::reject);

    m_scroll = new QScrollArea(this);
    m_scroll->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_scroll->setBackgroundRole(QPalette::Dark);
    m_view = new PageView(m_report, m_scroll);
    m_scroll->setWidget(m_view);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(m_scroll);

    connect(m_pageBox, &QSpinBox::valueChanged, this, [this](int v) { setCurrentPage(v - 1); });
    connect(m_zoomBox, &QComboBox::activated, this, &PreviewDialog::zoomChosen);

    // Fill the screen also where no window manager maximises windows.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(screen->availableGeometry());
    setWindowState(windowState() | Qt::WindowMaximized);
    setCurrentPage(0);
}

void PreviewDialog::setCurrentPage(int page)
{
    const int count = std::max(1, m_report.pageCount());
    page = std::clamp(page, 0, count - 1);
    m_page = page;
    m_view->show(m_page, m_zoom);
    m_scroll->verticalScrollBar()->setValue(0);
    updateControls();
}

void PreviewDialog::setZoom(double zoom)
{
    m_zoom = std::clamp(zoom, 0.1, 8.0);
    m_view->show(m_page, m_zoom);
    updateControls();
}

void PreviewDialog::zoomChosen(int index)
{
    if (index < 0 || index >= static_cast<int>(std::size(kZooms)))
        return;
    const double z = kZooms[index].zoom;
    const QSizeF pagePx = m_report.pageSizeMm(m_page) / 25.4 * 96.0;
    const QSize avail = m_scroll->viewport()->size() - QSize(30, 30);
    if (z > 0)
        setZoom(z);
    else if (z == 0)
        setZoom(avail.width() / pagePx.width());
    else
        setZoom(std::min(avail.width() / pagePx.width(), avail.height() / pagePx.height()));
}

void PreviewDialog::updateControls()
{
    const QSignalBlocker block(m_pageBox);
    m_pageBox->setRange(1, std::max(1, m_report.pageCount()));
    m_pageBox->setValue(m_page + 1);
    m_pageCountLabel->setText(QStringLiteral(" z %1 ").arg(std::max(1, m_report.pageCount())));
}

void PreviewDialog::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_PageDown:
        setCurrentPage(m_page + 1);
        return;
    case Qt::Key_PageUp:
        setCurrentPage(m_page - 1);
        return;
    case Qt::Key_Home:
        setCurrentPage(0);
        return;
    case Qt::Key_End:
        setCurrentPage(m_report.pageCount() - 1);
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void PreviewDialog::printReport()
{
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    dialog.setMinMax(1, std::max(1, m_report.pageCount()));
    if (dialog.exec() != QDialog::Accepted)
        return;
    int from = 1, to = 0;
    if (printer.printRange() == QPrinter::PageRange) {
        from = printer.fromPage();
        to = printer.toPage();
    } else if (printer.printRange() == QPrinter::CurrentPage) {
        from = to = m_page + 1;
    }
    try {
        m_report.print(printer, from, to);
    } catch (const ReportError& e) {
        QMessageBox::critical(this, windowTitle(), e.message());
    }
}

void PreviewDialog::exportPdf()
{
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Uložit jako PDF"), QString(),
                                                      QStringLiteral("Dokument PDF (*.pdf)"));
    if (path.isEmpty())
        return;
    try {
        m_report.exportPdf(path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive) ? path : path + ".pdf");
    } catch (const ReportError& e) {
        QMessageBox::critical(this, windowTitle(), e.message());
    }
}

} // namespace report
