#pragma once

#include <QDialog>
#include <QImage>

class QComboBox;
class QLabel;
class QScrollArea;
class QSpinBox;

namespace report {

class Report;
class PageView;

// The modal preview of a prepared report: page navigation, zoom, print and PDF export.
// Pages are painted only when shown.
class PreviewDialog : public QDialog
{
    Q_OBJECT

public:
    explicit PreviewDialog(Report& report, QWidget* parent = nullptr);

    int currentPage() const { return m_page; } // 0-based
    void setCurrentPage(int page);
    double zoom() const { return m_zoom; }
    void setZoom(double zoom);

    // Exported for the toolbar; also usable directly.
    void printReport();
    void exportPdf();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void zoomChosen(int index);
    void updateControls();

    Report& m_report;
    PageView* m_view = nullptr;
    QScrollArea* m_scroll = nullptr;
    QSpinBox* m_pageBox = nullptr;
    QLabel* m_pageCountLabel = nullptr;
    QComboBox* m_zoomBox = nullptr;
    int m_page = 0;
    double m_zoom = 1.0;
};

} // namespace report
