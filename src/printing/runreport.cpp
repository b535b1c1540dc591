#include "printing/runreport.h"

#include "base/progdir.h"
#include "printing/datasetsource.h"
#include "report/report.h"

namespace printing {
namespace {
std::function<void(report::Report&)> g_previewHook;
} // namespace

void setPreviewHook(std::function<void(report::Report&)> hook)
{
    g_previewHook = std::move(hook);
}

void runReport(report::Report& report, const QString& templateName, const db::Dataset& query,
               const QString& companyName, QWidget* parent)
{
    report.loadFromFile(base::programDir() + templateName);
    // Apostrophes in the name are doubled so the expression stays one text.
    report.setVariable(QStringLiteral("firma"), report::Report::quoted(companyName));
    const DatasetSource source(query);
    report.bindDataSource(QStringLiteral("frxDBDataset1"), &source);
    struct Unbind
    {
        report::Report& r;
        ~Unbind() { r.bindDataSource(QStringLiteral("frxDBDataset1"), nullptr); }
    } unbind{report};
    report.prepare();
    if (g_previewHook)
        g_previewHook(report);
    else
        report.showPreview(parent);
}

} // namespace printing
