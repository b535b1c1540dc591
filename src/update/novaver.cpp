#include "update/novaver.h"

#include "base/cp1250.h"
#include "base/formats.h"
#include "base/progdir.h"
#include "ftp/ftpclient.h"
#include "update/ip_misc.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <memory>

namespace update {

// The version numbers of this build, carried in the program file itself: a marker followed
// by major, minor, release and build as little-endian 16-bit numbers. fileVersion() finds
// it by scanning a file. Kept writable and external so that it stays in the file as it is.
struct VersionBlock
{
    char marker[24];
    unsigned char numbers[8];
};

#define LEDRANA_LE16(n) static_cast<unsigned char>((n)&0xFF), static_cast<unsigned char>(((n) >> 8) & 0xFF)
[[gnu::used]] VersionBlock ledranaVersionBlock = {
    {'\x89', 'L', 'E', 'D', 'R', 'A', 'N', 'A', '-', 'F',  'I',  'L',
     'E',    '-', 'V', 'E', 'R', 'S', 'I', 'O', 'N', '\r', '\n', '\x1a'},
    {LEDRANA_LE16(LEDRANA_VERSION_MAJOR), LEDRANA_LE16(LEDRANA_VERSION_MINOR), LEDRANA_LE16(LEDRANA_VERSION_PATCH),
     LEDRANA_LE16(LEDRANA_VERSION_TWEAK)}};
#undef LEDRANA_LE16

namespace {

const QString kTypeBinary = QStringLiteral("TYPE I");
const qsizetype kSettingLines = 7; // the FTP log's lines before the steps' error texts

QString comparisonKey(const QString& stamp)
{
    QString key = stamp;
    key.remove(QLatin1Char(' '));
    key.remove(QLatin1Char('-'));
    key.remove(QLatin1Char(':'));
    return key;
}

// Lines as a text-file reader sees them: CR LF, LF or CR end a line; a final line break
// does not start another line.
QStringList textLines(const QString& text)
{
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (t.isEmpty())
        return {};
    QStringList lines = t.split(QLatin1Char('\n'));
    if (t.endsWith(QLatin1Char('\n')))
        lines.removeLast();
    return lines;
}

QString cleanPath(const QString& path)
{
    return QDir::cleanPath(path);
}

} // namespace

QString ftpLogPath()
{
    return cleanPath(base::programDir() + QStringLiteral("../ftplog/vbrevik.log"));
}

QString versionLogPath()
{
    return base::programDir() + QStringLiteral("verze.log");
}

void writeLogFile(const QString& path, const QStringList& lines)
{
    QByteArray data;
    for (const QString& line : lines)
        data += base::toCp1250(line) + "\r\n";
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit())
        throw UpdateError(
            QStringLiteral("Soubor %1 nelze zapsat: %2").arg(QDir::toNativeSeparators(path), file.errorString()));
}

QString serverStamp(const QByteArray& versionFile, bool* hasSecondLine)
{
    const QStringList lines = textLines(base::fromCp1250(versionFile));
    if (hasSecondLine)
        *hasSecondLine = lines.size() >= 2;
    if (lines.size() < 2)
        return QString();
    const QStringList fields = lines.at(1).split(QLatin1Char('\t'));
    return fields.size() < 3 ? QString() : fields.at(2).left(19);
}

QString localStamp(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return QString();
    return info.lastModified().toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

bool isNewer(const QString& serverStamp, const QString& localStamp)
{
    return base::toCp1250(comparisonKey(serverStamp)) > base::toCp1250(comparisonKey(localStamp));
}

QString retrieveVersion(const RetrievalSettings& s)
{
    auto client = std::make_unique<ftp::FtpClient>();
    client->setHost(s.host);
    bool portOk = false;
    const int port = s.port.trimmed().toInt(&portOk);
    client->setPort(portOk ? port : 0);
    client->setPassword(s.password);
    client->setUser(s.user);
    client->setPassive(s.passive);
    client->setLocalAddress(bindableAddress(localHostAddress()));
    client->setTimeoutMs(s.timeoutMs);

    QString result = kNotNewer;
    QStringList log{s.host,
                    s.port,
                    s.user,
                    s.directory,
                    s.versionFile,
                    s.installerFile,
                    s.passive ? QStringLiteral("true") : QStringLiteral("false")};

    if (!client->connectToHost()) {
        log << client->errorText();
        result = kFailed;
        client->abort();
        log << client->errorText();
    } else {
        log << client->errorText();
        // Neither outcome is examined: without the directory the server's start directory
        // is used; the type only matters to servers that default to text transfers.
        client->changeDir(s.directory);
        log << client->errorText();
        client->sendCommand(kTypeBinary);
        log << client->errorText();
        if (!client->download(s.versionFile, s.versionFile)) {
            log << client->errorText();
            result = kFailed;
        } else {
            log << client->errorText();
            QFile file(s.versionFile);
            const QByteArray content = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
            bool hasSecondLine = false;
            const QString server = serverStamp(content, &hasSecondLine);
            const QString local = localStamp(base::programFile());
            if (!local.isEmpty())
                base::setShortDateFormat(QStringLiteral("dd.MM.yyyy"));
            writeLogFile(versionLogPath(),
                         {QStringLiteral("Verze programu: ") + local, QStringLiteral("Verze internet: ") + server});
            if (!hasSecondLine) {
                result = kFailed; // a version file without its stamp line is not an answer
            } else if (isNewer(server, local)) {
                result = kNewer;
                if (!client->download(s.installerFile, s.installerFile))
                    result = kFailed;
                log << client->errorText();
            }
        }
        client->abort();
        log << client->errorText();
    }
    client.reset();

    // The password goes nowhere near the log, not even inside a server's reply.
    if (!s.password.isEmpty()) {
        for (qsizetype i = kSettingLines; i < log.size(); ++i)
            log[i].replace(s.password, QStringLiteral("****"));
    }
    const QString path = ftpLogPath();
    makeDirectory(QFileInfo(path).path());
    writeLogFile(path, log);
    return result;
}

FileVersion fileVersion(const QString& fileName)
{
    QString name = fileName;
    const qsizetype nul = name.indexOf(QChar(0));
    if (nul >= 0)
        name.truncate(nul);
    name = name.trimmed();
    if (name.isEmpty())
        name = base::programFile();

    FileVersion version;
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly) || file.size() <= 0)
        return version;
    const qint64 size = file.size();
    const uchar* data = file.map(0, size);
    if (!data)
        return version;
    const QByteArrayView haystack(reinterpret_cast<const char*>(data), size);
    const QByteArrayView marker(ledranaVersionBlock.marker, sizeof ledranaVersionBlock.marker);
    const qsizetype at = haystack.indexOf(marker);
    const qsizetype numbersAt = at + qsizetype(sizeof ledranaVersionBlock.marker);
    if (at >= 0 && numbersAt + 8 <= size) {
        const uchar* n = data + numbersAt;
        auto le16 = [n](int i) { return int(n[2 * i]) | (int(n[2 * i + 1]) << 8); };
        version = FileVersion{le16(0), le16(1), le16(2), le16(3)};
    }
    file.unmap(const_cast<uchar*>(data));
    return version;
}

QString versionText(const FileVersion& v)
{
    return QStringLiteral("%1.%2.%3.%4").arg(v.major).arg(v.minor).arg(v.release).arg(v.build);
}

bool makeDirectory(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QString clean = cleanPath(path);
    const QFileInfo info(clean);
    if (info.isDir())
        return true;
    if (info.exists())
        return false; // a file stands in the way
    const QString parent = QFileInfo(clean).path();
    if (parent == clean)
        return true; // a root
    if (!makeDirectory(parent))
        return false;
    return QDir().mkdir(clean) || QFileInfo(clean).isDir();
}

} // namespace update
