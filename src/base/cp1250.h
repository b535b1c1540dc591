#pragma once

#include <QByteArray>
#include <QString>

// Windows code page 1250 (Central European), the text encoding of the database connection
// and of older settings files.
namespace base {

QString fromCp1250(const char* data, qsizetype size);
inline QString fromCp1250(const QByteArray& bytes)
{
    return fromCp1250(bytes.constData(), bytes.size());
}

// Characters the code page cannot hold become '?'.
QByteArray toCp1250(QStringView text);

// True when every character of text has a place in the code page.
bool fitsCp1250(QStringView text);

} // namespace base
