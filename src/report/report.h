#pragma once

#include "report/datasource.h"
#include "report/design.h"

#include <QHash>
#include <QImage>
#include <QSizeF>
#include <QVariant>

#include <memory>

class QPainter;
class QPrinter;
class QWidget;

namespace report {

class PreparedReport;

// Document information written into exported PDFs.
struct PdfOptions
{
    QString title;
    QString author;
    QString subject;
    QString creator;
};

// A report: a design (loaded from a .fr3 template or built in code), its data sources,
// variables and program values, and the prepared pages that preview, print and export show.
class Report
{
public:
    Report();
    ~Report();
    Report(const Report&) = delete;
    Report& operator=(const Report&) = delete;

    // The design to change; prepared pages are dropped, as they point into it.
    Design& design();
    const Design& design() const { return m_design; }

    // Loads a template, replacing the design. A file that does not exist clears the design and
    // returns false (no error); a file that cannot be read or is not a template throws ReportError.
    bool loadFromFile(const QString& path);
    void loadFromData(const QByteArray& data, const QString& fileName);
    // Saves the design as a version 5+ template; throws ReportError when the file cannot be written.
    void saveToFile(const QString& path) const;
    QByteArray saveToData() const;
    void clear();

    // Sets a report variable to an expression, adding it when the design has none of that name.
    void setVariable(const QString& name, const QString& expression);
    // A text as an expression literal: 'O''Brien'.
    static QString quoted(const QString& text);
    // A value supplied by the program, read by its name in expressions.
    void setValue(const QString& name, const QVariant& value);
    // Binds the rows read through a dataset alias ("frxDBDataset1"); nullptr unbinds.
    void bindDataSource(const QString& alias, const DataSource* source);

    ReportObject* findObject(const QString& name) const { return m_design.findObject(name); }
    // Sets the image of a picture object; false when no picture of that name exists.
    bool setPicture(const QString& objectName, const QImage& image);

    // Compiles and lays out the pages, discarding those prepared before; throws ReportError.
    void prepare();
    bool isPrepared() const { return m_prepared != nullptr; }
    int pageCount() const;
    QSizeF pageSizeMm(int page) const;
    // Paints a page; the painter's coordinates are pixels at 96 dpi from the paper's corner.
    void paintPage(int page, QPainter& painter) const;
    // A page as an image at the given resolution, on white.
    QImage renderPage(int page, double dpi) const;
    // The memo texts of a page in print order.
    QStringList pageTexts(int page) const;

    // Writes the prepared pages (preparing first when needed) to a PDF; throws ReportError.
    void exportPdf(const QString& path, const PdfOptions& options = {});
    // Prints pages fromPage..toPage (1-based, 0 = to the end) on a set-up printer.
    void print(QPrinter& printer, int fromPage = 1, int toPage = 0);
    // The modal, maximised preview; prepares first when needed and returns when it is closed.
    void showPreview(QWidget* parent = nullptr, const QString& title = QString());

private:
    void ensurePrepared();

    Design m_design;
    std::vector<std::pair<QString, const DataSource*>> m_sources;
    QHash<QString, QVariant> m_values;
    std::unique_ptr<PreparedReport> m_prepared;
};

} // namespace report
