#pragma once

#include "report/design.h"

#include <QByteArray>
#include <QString>

namespace report {

// Reads a .fr3 template into the design (replacing it). Versions 3/4 (PropData) and 5+
// (<Datasets>/<Variables>); attribute text as UTF-8 when valid, else cp1250.
// Throws ReportError naming fileName and the reason.
void readFr3(const QByteArray& data, Design& design, const QString& fileName);

// The design as a version 5+ template (UTF-8, standalone="no").
QByteArray writeFr3(const Design& design);

// Text of cp1250 bytes.
QString decodeCp1250(const QByteArray& bytes);

} // namespace report
