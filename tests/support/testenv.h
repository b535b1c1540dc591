#pragma once

#include <QString>

namespace testenv {

// The source tree (for fixtures, sql/schema.sql, templates).
QString sourceDir();

// A fresh, empty directory for this test process (removed and recreated on first call).
QString tmpDir();

// Runs a command and returns its exit code; stdout (and stderr when asked) into *out.
int run(const QString& program, const QStringList& args, QString* out = nullptr, int timeoutMs = 120000);

} // namespace testenv
