#include "ftptestserver.h"

#include "testenv.h"

FtpTestServer::FtpTestServer(const QString& rootDir, const Options& options)
{
    QStringList args{testenv::sourceDir() + QStringLiteral("/tests/ftp/ftpserver.py"),
                     QStringLiteral("--dir"),
                     rootDir,
                     QStringLiteral("--user"),
                     QString::fromLatin1(kUser),
                     QStringLiteral("--password"),
                     QString::fromLatin1(kPassword)};
    for (const QString& name : options.stalledFiles)
        args << QStringLiteral("--stall") << name;
    if (options.slow)
        args << QStringLiteral("--slow");
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral("/usr/bin/python3"), args);
    if (!m_process.waitForStarted())
        return;
    while (!m_process.canReadLine() && m_process.waitForReadyRead(10000)) {
    }
    const QString line = QString::fromLatin1(m_process.readLine()).trimmed();
    if (line.startsWith(QLatin1String("PORT ")))
        m_port = line.mid(5).toInt();
}

FtpTestServer::~FtpTestServer()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}
