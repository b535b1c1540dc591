#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace db {
class Dataset;
}
namespace report {
class Report;
}

namespace printing {

// Runs a report: loads the template from the program directory (a missing file leaves an
// empty design and no message; an unreadable one is an error naming the file), sets the
// variable "firma" to the company name as an expression, binds "frxDBDataset1" to the query,
// prepares the pages and shows the modal preview. Returns when the preview is closed.
void runReport(report::Report& report, const QString& templateName, const db::Dataset& query,
               const QString& companyName, QWidget* parent);

// Tests take the prepared report here instead of the modal preview.
void setPreviewHook(std::function<void(report::Report&)> hook);

} // namespace printing
