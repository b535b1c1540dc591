#include "base/progdir.h"

#include <QCoreApplication>
#include <QDir>

namespace base {
namespace {
QString g_dir;
QString g_file;
} // namespace

QString programDir()
{
    if (!g_dir.isEmpty())
        return g_dir;
    QString dir = QCoreApplication::applicationDirPath();
    return dir.endsWith('/') ? dir : dir + '/';
}

QString programFile()
{
    if (!g_file.isEmpty())
        return g_file;
    if (!g_dir.isEmpty())
        return g_dir + QStringLiteral("ledrana");
    return QCoreApplication::applicationFilePath();
}

void setProgramDirForTests(const QString& dir, const QString& programFile)
{
    g_dir = dir.isEmpty() || dir.endsWith('/') ? dir : dir + '/';
    g_file = programFile;
}

} // namespace base
