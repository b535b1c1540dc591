#include "update/updatecheck.h"

#include "base/cp1250.h"
#include "base/formats.h"
#include "base/inifile.h"
#include "base/progdir.h"
#include "update/novaver.h"
#include "update/ppracuji.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMessageBox>
#include <QProcess>
#include <QSaveFile>

#include <memory>

namespace update {
namespace {

const QString kSection = QStringLiteral("LogOn");
const QString kNewVersionText = QStringLiteral("Nyní bude aktualizován program Ledrana.") + QLatin1Char('\n') +
                                QStringLiteral("Nutný restart programu!");
const QString kNoNewVersionText = QStringLiteral("Nebyla nalezena novější verze programu!");

void defaultShowInformation(const QString& text)
{
    QMessageBox::information(QApplication::activeWindow(), QStringLiteral("Ledrana"), text);
}

void defaultStartInstaller(const QString& program, const QStringList& arguments, const QString& commandLine)
{
#ifdef Q_OS_WIN
    // The installer reads its own command line: hand it over exactly as composed.
    QProcess process;
    process.setProgram(program);
    process.setNativeArguments(commandLine.mid(commandLine.indexOf(QLatin1Char(' ')) + 1));
    process.startDetached();
    Q_UNUSED(arguments);
#else
    Q_UNUSED(commandLine);
    QProcess::startDetached(program, arguments, QFileInfo(program).path());
#endif
}

void defaultEndProgram()
{
    QCoreApplication::quit();
    QCoreApplication::processEvents();
    QApplication::closeAllWindows();
}

// The system's long time format without a time zone, which Qt's long formats carry.
QString longTimeText(const QTime& time)
{
    QString format = QLocale::system().timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    format = format.trimmed();
    if (format.isEmpty())
        format = QStringLiteral("HH:mm:ss");
    return time.toString(format);
}

// Reads the update log, adds one line and writes the whole log back (CR LF, cp1250).
void appendUpdateLog(const QString& line)
{
    const QString path = updateLogPath();
    makeDirectory(QFileInfo(path).path());
    QByteArray data;
    QFile existing(path);
    if (existing.exists()) {
        if (!existing.open(QIODevice::ReadOnly))
            throw UpdateError(
                QStringLiteral("Soubor %1 nelze číst: %2").arg(QDir::toNativeSeparators(path), existing.errorString()));
        data = existing.readAll();
        existing.close();
    }
    if (!data.isEmpty() && !data.endsWith('\n'))
        data += "\r\n";
    data += base::toCp1250(line) + "\r\n";
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit())
        throw UpdateError(
            QStringLiteral("Soubor %1 nelze zapsat: %2").arg(QDir::toNativeSeparators(path), file.errorString()));
}

} // namespace

QString updateLogPath()
{
    return QDir::cleanPath(base::programDir() + QStringLiteral("../updlog/ledrana.log"));
}

QString runUpdateCheck(bool quiet, const base::IniFile& settings, const UpdateHooks& hooks)
{
    const auto showInformation = hooks.showInformation ? hooks.showInformation : defaultShowInformation;

    RetrievalSettings s;
    s.host = settings.value(kSection, QStringLiteral("FTP"), QString()).trimmed();
    s.user = settings.value(kSection, QStringLiteral("FTPuser"), QStringLiteral("tolvar"));
    s.password = settings.value(kSection, QStringLiteral("FTPpassword"), QStringLiteral("903618qzt"));
    s.port = settings.value(kSection, QStringLiteral("FTPport"), QStringLiteral("21"));
    s.passive = settings.value(kSection, QStringLiteral("FTPpassive"), QStringLiteral("True")) == QLatin1String("True");
    s.directory = kServerDirectory;
    s.versionFile = kVersionFile;
    s.installerFile = kInstallerFile;

    QString result = kNotNewer;
    if (!s.host.isEmpty()) {
        // The busy window lives exactly as long as the question to the server.
        auto busy = std::make_unique<Tpracuji>();
        busy->setText(QStringLiteral("Kontrola na novou verzi"));
        busy->show();
        busy->raise();
        QCoreApplication::processEvents();
        result = retrieveVersion(s);
    }

    if (result != kNewer) {
        if (!quiet)
            showInformation(kNoNewVersionText);
        return result;
    }

    appendUpdateLog(base::formatShortDate(QDate::currentDate()) + QLatin1Char(' ') +
                    longTimeText(QTime::currentTime()) + QStringLiteral(" - NOVÁ VERZE programu: ") +
                    versionText(fileVersion()));
    showInformation(kNewVersionText);
    QCoreApplication::processEvents();

    // The installer was downloaded into the current working directory: start it from there
    // by its full path, runnable.
    const QString installer = QDir::current().absoluteFilePath(kInstallerFile);
    QFile::setPermissions(installer, QFile::permissions(installer) | QFile::ExeOwner | QFile::ExeUser |
                                         QFile::ExeGroup | QFile::ExeOther);
    const QString dirArgument = QStringLiteral("/DIR=") + base::programDir();
    const QString commandLine = kInstallerFile + QStringLiteral(" /DIR=\"") + base::programDir() + QLatin1Char('"');
    if (hooks.startInstaller)
        hooks.startInstaller(installer, {dirArgument}, commandLine);
    else
        defaultStartInstaller(installer, {dirArgument}, commandLine);

    if (hooks.endProgram)
        hooks.endProgram();
    else
        defaultEndProgram();
    return result;
}

} // namespace update
