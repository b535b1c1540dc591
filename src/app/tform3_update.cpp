// The main window's update check, run once half a second after start-up.
#include "app/messagedialog.h"
#include "app/settingsstore.h"
#include "base/inifile.h"
#include "list/tform3.h"
#include "update/updatecheck.h"

#include <QCoreApplication>

void Tform3::Aktualizaceprogr(bool quiet)
{
    update::UpdateHooks hooks;
    hooks.showInformation = [this](const QString& text) { app::MessageDialog::info(this, text); };
    hooks.startInstaller = startInstaller; // empty: a detached, visible process
    hooks.endProgram = [this] {
        QCoreApplication::quit();
        QCoreApplication::processEvents();
        close();
    };
    update::runUpdateCheck(quiet, base::IniFile(app::settingsPath()), hooks);
}
