#pragma once

#include "report/report.h"

#include <QString>
#include <QStringList>

#include <ostream>

// Readable QStrings in test failures.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace reporttest {

// Czech number and date conventions, as on the office's workstations.
void useCzechLocale();

// The text pdftotext reads from a PDF (layout kept), and the page count pdfinfo gives.
QString pdfText(const QString& path, int firstPage = 0, int lastPage = 0);
int pdfPages(const QString& path);

// Exports a report (checked by qpdf) and returns the file's path in the test directory.
QString exportPdf(report::Report& report, const QString& name);

// A design of one A4 page with a data band over "frxDBDataset1" holding one memo.
report::ReportObject& oneMemoDesign(report::Design& design, const QString& text);

} // namespace reporttest
