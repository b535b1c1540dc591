#include "updatetestenv.h"

#include "base/cp1250.h"
#include "base/progdir.h"
#include "testenv.h"

#include <QDir>
#include <QFile>

UpdateTestDirs::UpdateTestDirs(const QString& name)
{
    m_root = testenv::tmpDir() + QLatin1Char('/') + QString(name).replace(QLatin1Char('/'), QLatin1Char('_'));
    QDir(m_root).removeRecursively();
    m_programDir = m_root + QStringLiteral("/app/bin/");
    m_workDir = m_root + QStringLiteral("/work");
    m_serverRoot = m_root + QStringLiteral("/server");
    QDir().mkpath(m_programDir);
    QDir().mkpath(m_workDir);
    QDir().mkpath(publishDir());
    QFile program(programFile());
    if (program.open(QIODevice::WriteOnly))
        program.write("not a real program");
    program.close();
    if (program.open(QIODevice::ReadWrite))
        program.setFileTime(programTime(), QFileDevice::FileModificationTime);
    program.close();
    base::setProgramDirForTests(m_programDir, programFile());
    m_previousCurrent = QDir::currentPath();
    QDir::setCurrent(m_workDir);
}

UpdateTestDirs::~UpdateTestDirs()
{
    QDir::setCurrent(m_previousCurrent);
    base::setProgramDirForTests(QString());
}

void UpdateTestDirs::publish(const QString& name, const QByteArray& content)
{
    QFile f(publishDir() + QLatin1Char('/') + name);
    if (f.open(QIODevice::WriteOnly))
        f.write(content);
}

void UpdateTestDirs::unpublish(const QString& name)
{
    QFile::remove(publishDir() + QLatin1Char('/') + name);
}

QByteArray versionFileWith(const QString& stamp)
{
    return "Ledrana\r\nsetupledrana.exe\t1.0.0.2\t" + stamp.toLatin1() + "\tvydani\r\n";
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList crlfLines(const QByteArray& data)
{
    if (!data.endsWith("\r\n") || data.count('\n') != data.count("\r\n"))
        return {};
    QStringList lines = base::fromCp1250(data).split(QStringLiteral("\r\n"));
    lines.removeLast();
    return lines;
}
