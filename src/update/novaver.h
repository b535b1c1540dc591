#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <stdexcept>

// Version retrieval: fetches the version file from the update server, compares its
// publication stamp with the program file's modification time and, when the published
// version is newer, downloads the installer. Writes verze.log and the FTP log each run.
namespace update {

// A file that the update must write could not be written. what() holds the text in UTF-8.
class UpdateError : public std::runtime_error
{
public:
    explicit UpdateError(const QString& text) : std::runtime_error(text.toStdString()), m_text(text) {}
    const QString& text() const { return m_text; }

private:
    QString m_text;
};

struct RetrievalSettings
{
    QString host;
    QString port; // as text, as the settings file holds it
    QString user;
    QString password;
    QString directory;     // on the server, e.g. "tolvar/quibra"
    QString versionFile;   // e.g. "setupledrana.ver"
    QString installerFile; // e.g. "setupledrana.exe"
    bool passive = true;
    int timeoutMs = 60000; // inactivity limit of each FTP step
};

// Result letters.
inline const QString kNewer = QStringLiteral("A");
inline const QString kNotNewer = QStringLiteral("N");
inline const QString kFailed = QStringLiteral("E");

// Logs in, changes to the directory, downloads the version file (and, when it is newer, the
// installer) into the current working directory, then closes the connection. Returns "A"
// (newer version, installer downloaded), "N" (not newer) or "E" (connection, login or a
// download failed, or the version file has no second line). The waits keep the event loop
// turning. Throws UpdateError when verze.log or the FTP log cannot be written.
QString retrieveVersion(const RetrievalSettings& settings);

// The publication stamp in a version file: the first 19 characters of the third TAB field
// of its second line; empty when that line has fewer than three fields. *hasSecondLine
// (optional) tells whether the file has a second line at all.
QString serverStamp(const QByteArray& versionFile, bool* hasSecondLine = nullptr);

// The modification time of a file in local time, "yyyy-mm-dd hh:mm:ss" (24-hour clock);
// empty when the file does not exist.
QString localStamp(const QString& path);

// True when the server's stamp is newer: both stamps lose every space, '-' and ':' and the
// remaining texts are compared byte by byte (a prefix is smaller).
bool isNewer(const QString& serverStamp, const QString& localStamp);

// The FTP log and verze.log.
QString ftpLogPath();
QString versionLogPath();

// Version numbers carried in a program file; major -1 and the rest 0 when it carries none.
struct FileVersion
{
    int major = -1;
    int minor = 0;
    int release = 0;
    int build = 0;
};

// Reads the version carried in a file built by this project. The name is cut at its first
// NUL and trimmed; an empty name means the running program file.
FileVersion fileVersion(const QString& fileName = QString());
// "major.minor.release.build", e.g. "1.0.0.1" or "-1.0.0.0".
QString versionText(const FileVersion& version);

// Creates a directory with all missing parents; true when it exists afterwards.
bool makeDirectory(const QString& path);

// Writes lines, each ended by CR LF, in code page 1250, replacing the file.
void writeLogFile(const QString& path, const QStringList& lines);

} // namespace update
