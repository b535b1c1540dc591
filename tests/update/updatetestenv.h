#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <ostream>

// A program directory with a program file of a known modification time, a working
// directory that downloads land in, and a server tree "tolvar/quibra" to publish in.
class UpdateTestDirs
{
public:
    explicit UpdateTestDirs(const QString& name);
    ~UpdateTestDirs();

    QString programDir() const { return m_programDir; } // with a trailing '/'
    QString programFile() const { return m_programDir + QStringLiteral("ledrana"); }
    QString workDir() const { return m_workDir; }
    QString serverRoot() const { return m_serverRoot; }
    QString publishDir() const { return m_serverRoot + QStringLiteral("/tolvar/quibra"); }

    // The program file's modification time (local time).
    static QDateTime programTime() { return QDateTime(QDate(2024, 3, 15), QTime(10, 20, 30)); }

    void publish(const QString& name, const QByteArray& content);
    void unpublish(const QString& name);

private:
    QString m_root;
    QString m_programDir;
    QString m_workDir;
    QString m_serverRoot;
    QString m_previousCurrent;
};

// A version file whose second line carries the stamp in its third field.
QByteArray versionFileWith(const QString& stamp);

QByteArray readFile(const QString& path);
// The lines of a CR LF text; a bare LF or a missing final CR LF makes the result empty.
QStringList crlfLines(const QByteArray& data);

// Readable Qt texts in test failure messages.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}
