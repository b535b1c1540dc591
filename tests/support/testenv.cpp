#include "testenv.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>

namespace testenv {

QString sourceDir()
{
    QString dir = qEnvironmentVariable("LEDRANA_SOURCE_DIR");
    return dir.isEmpty() ? QStringLiteral(".") : dir;
}

QString tmpDir()
{
    static QString dir;
    if (dir.isEmpty()) {
        dir = qEnvironmentVariable("LEDRANA_TEST_TMP");
        if (dir.isEmpty())
            dir = QDir::tempPath() + QStringLiteral("/ledrana-test-%1").arg(QCoreApplication::applicationPid());
        QDir(dir).removeRecursively();
        QDir().mkpath(dir);
    }
    return dir;
}

int run(const QString& program, const QStringList& args, QString* out, int timeoutMs)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForStarted())
        return -1;
    p.waitForFinished(timeoutMs);
    if (out)
        *out = QString::fromUtf8(p.readAll());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

} // namespace testenv
