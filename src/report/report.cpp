#include "report/report.h"

#include "report/engine.h"
#include "report/fr3.h"
#include "report/pdfwriter.h"
#include "report/preview.h"

#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>

namespace report {

namespace {

QPageLayout pageLayout(const QSizeF& sizeMm)
{
    const bool landscape = sizeMm.width() > sizeMm.height();
    const QSizeF portrait = landscape ? sizeMm.transposed() : sizeMm;
    return QPageLayout(QPageSize(portrait, QPageSize::Millimeter, QString(), QPageSize::ExactMatch),
                       landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF(0, 0, 0, 0),
                       QPageLayout::Millimeter);
}

} // namespace

Report::Report() = default;
Report::~Report() = default;

Design& Report::design()
{
    m_prepared.reset();
    return m_design;
}

bool Report::loadFromFile(const QString& path)
{
    m_prepared.reset();
    QFileInfo info(path);
    if (!info.exists()) {
        m_design.clear();
        return false;
    }
    QFile file(path);
    if (info.isDir() || !file.open(QIODevice::ReadOnly))
        throw ReportError(QStringLiteral("Šablonu sestavy „%1“ nelze načíst: %2.")
                              .arg(path, info.isDir() ? QStringLiteral("je to adresář") : file.errorString()));
    loadFromData(file.readAll(), path);
    return true;
}

void Report::loadFromData(const QByteArray& data, const QString& fileName)
{
    m_prepared.reset();
    Design loaded;
    readFr3(data, loaded, fileName);
    m_design.clear();
    m_design.version = loaded.version;
    m_design.rootExtra = loaded.rootExtra;
    m_design.dataPageExtra = loaded.dataPageExtra;
    m_design.hasDataPage = loaded.hasDataPage;
    m_design.datasets = loaded.datasets;
    m_design.variables = loaded.variables;
    m_design.pages = std::move(loaded.pages);
}

void Report::saveToFile(const QString& path) const
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(saveToData()) < 0 || !file.flush())
        throw ReportError(QStringLiteral("Šablonu sestavy „%1“ nelze uložit: %2.").arg(path, file.errorString()));
}

QByteArray Report::saveToData() const
{
    return writeFr3(m_design);
}

void Report::clear()
{
    m_prepared.reset();
    m_design.clear();
}

void Report::setVariable(const QString& name, const QString& expression)
{
    m_prepared.reset();
    m_design.setVariable(name, expression);
}

QString Report::quoted(const QString& text)
{
    QString s = text;
    s.replace(u'\'', QLatin1String("''"));
    return u'\'' + s + u'\'';
}

void Report::setValue(const QString& name, const QVariant& value)
{
    m_prepared.reset();
    m_values.insert(name, value);
}

void Report::bindDataSource(const QString& alias, const DataSource* source)
{
    m_prepared.reset();
    for (auto it = m_sources.begin(); it != m_sources.end(); ++it) {
        if (it->first.compare(alias, Qt::CaseInsensitive) == 0) {
            if (source)
                it->second = source;
            else
                m_sources.erase(it);
            return;
        }
    }
    if (source)
        m_sources.emplace_back(alias, source);
}

bool Report::setPicture(const QString& objectName, const QImage& image)
{
    ReportObject* obj = findObject(objectName);
    if (!obj || obj->kind != ReportObject::Kind::Picture)
        return false;
    obj->picture = image;
    return true;
}

void Report::prepare()
{
    m_prepared.reset();
    std::vector<PreparedReport::Source> sources;
    for (const auto& [alias, source] : m_sources)
        sources.push_back({alias, source});
    m_prepared = std::make_unique<PreparedReport>(m_design, sources, m_values);
}

void Report::ensurePrepared()
{
    if (!m_prepared)
        prepare();
}

int Report::pageCount() const
{
    return m_prepared ? m_prepared->pageCount() : 0;
}

QSizeF Report::pageSizeMm(int page) const
{
    return m_prepared ? m_prepared->pageSizeMm(page) : QSizeF(210, 297);
}

void Report::paintPage(int page, QPainter& painter) const
{
    if (m_prepared)
        m_prepared->paintPage(page, painter);
}

QImage Report::renderPage(int page, double dpi) const
{
    const QSizeF size = pageSizeMm(page) / 25.4 * dpi;
    QImage img(size.toSize(), QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter painter(&img);
    painter.scale(dpi / 96.0, dpi / 96.0);
    paintPage(page, painter);
    return img;
}

QStringList Report::pageTexts(int page) const
{
    return m_prepared ? m_prepared->pageTexts(page) : QStringList();
}

void Report::exportPdf(const QString& path, const PdfOptions& options)
{
    ensurePrepared();
    // Written directly: one text operator per run of glyphs keeps long lists quick.
    {
        PdfWriter writer(path, {{"Title", options.title},
                                {"Author", options.author},
                                {"Subject", options.subject},
                                {"Creator", options.creator}});
        if (!writer.open())
            throw ReportError(QStringLiteral("Soubor „%1“ nelze zapsat: %2.").arg(path, writer.errorString()));
        for (int i = 0; i < pageCount() && !writer.unsupportedFont(); ++i) {
            writer.beginPage(pageSizeMm(i));
            m_prepared->paintPage(i, writer);
            writer.endPage();
        }
        if (writer.finish())
            return;
        if (!writer.unsupportedFont())
            throw ReportError(QStringLiteral("Soubor „%1“ nelze zapsat: %2.").arg(path, writer.errorString()));
    }
    // A font that cannot be embedded as TrueType: let Qt's PDF engine write the file.
    QPdfWriter writer(path);
    writer.setResolution(600);
    writer.setTitle(options.title);
    writer.setCreator(options.creator);
    writer.setPageLayout(pageLayout(pageSizeMm(0)));
    QPainter painter;
    if (!painter.begin(&writer))
        throw ReportError(QStringLiteral("Soubor „%1“ nelze zapsat.").arg(path));
    const double scale = writer.resolution() / 96.0;
    for (int i = 0; i < pageCount(); ++i) {
        if (i > 0) {
            writer.setPageLayout(pageLayout(pageSizeMm(i)));
            writer.newPage();
        }
        painter.save();
        painter.scale(scale, scale);
        paintPage(i, painter);
        painter.restore();
    }
    painter.end();
}

void Report::print(QPrinter& printer, int fromPage, int toPage)
{
    ensurePrepared();
    const int last = toPage <= 0 ? pageCount() : std::min(toPage, pageCount());
    const int first = std::max(1, fromPage);
    printer.setFullPage(true);
    printer.setPageLayout(pageLayout(pageSizeMm(first - 1)));
    QPainter painter;
    if (!painter.begin(&printer))
        throw ReportError(QStringLiteral("Tisk nelze zahájit."));
    for (int i = first; i <= last; ++i) {
        if (i > first) {
            printer.setPageLayout(pageLayout(pageSizeMm(i - 1)));
            printer.newPage();
        }
        const double sx = printer.logicalDpiX() / 96.0, sy = printer.logicalDpiY() / 96.0;
        painter.save();
        painter.scale(sx, sy);
        paintPage(i - 1, painter);
        painter.restore();
    }
    painter.end();
}

void Report::showPreview(QWidget* parent, const QString& title)
{
    ensurePrepared();
    PreviewDialog dialog(*this, parent);
    if (!title.isEmpty())
        dialog.setWindowTitle(title);
    dialog.exec();
}

} // namespace report
