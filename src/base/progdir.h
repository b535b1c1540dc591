#pragma once

#include <QString>

namespace base {

// The directory of the running program file, with a trailing '/'. Every file of the
// program is looked up there (never in the current directory).
QString programDir();

// The full path of the running program file.
QString programFile();

// Tests run the system against a directory of their own.
void setProgramDirForTests(const QString& dir, const QString& programFile = QString());

} // namespace base
