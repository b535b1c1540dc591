#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace base {
class IniFile;
}

namespace update {

// What the update check needs from the main window. Empty members take the defaults named.
struct UpdateHooks
{
    // The information dialog (caption "Ledrana", one "OK"); default: a QMessageBox.
    std::function<void(const QString& text)> showInformation;
    // Starts the installer as a detached, visible process and does not look at the outcome;
    // default: QProcess::startDetached(program, arguments). commandLine is the whole command
    // as one text, for the record.
    std::function<void(const QString& program, const QStringList& arguments, const QString& commandLine)>
        startInstaller;
    // Asks the application to end and closes the main window through its normal close;
    // default: QCoreApplication::quit() and QApplication::closeAllWindows().
    std::function<void()> endProgram;
};

// The fixed names on the update server and the update log.
inline const QString kServerDirectory = QStringLiteral("tolvar/quibra");
inline const QString kVersionFile = QStringLiteral("setupledrana.ver");
inline const QString kInstallerFile = QStringLiteral("setupledrana.exe");

// program directory + "../updlog/ledrana.log"
QString updateLogPath();

// The update check. Shows the busy window while it asks the update server (settings from
// section "LogOn") whether a newer version exists. With one: appends a line to the update
// log, tells the user, starts the downloaded installer with "/DIR=" and the program
// directory, and ends the program. Without one, says so unless quiet. An empty "FTP" host
// skips the check (no connection, no logs). Returns the result letter ("A", "N" or "E").
// Throws UpdateError when a log cannot be written; the busy window is gone by then.
QString runUpdateCheck(bool quiet, const base::IniFile& settings, const UpdateHooks& hooks = UpdateHooks());

} // namespace update
