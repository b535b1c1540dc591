#include "app/settingsstore.h"

#include "base/progdir.h"

#include <QScreen>
#include <QWidget>

namespace app {

QString settingsPath()
{
    return base::programDir() + QStringLiteral("ledrana.ini");
}

SettingsStore::SettingsStore(QString defaultSection) : m_defaultSection(std::move(defaultSection)) {}

QString SettingsStore::readString(const QString& key, const QString& defaultValue) const
{
    return base::IniFile(settingsPath()).value(effectiveSection(), key, defaultValue);
}

bool SettingsStore::writeString(const QString& key, const QString& value)
{
    base::IniFile ini(settingsPath());
    return ini.setValue(effectiveSection(), key, value);
}

void SettingsStore::savePlacement(const QWidget* window)
{
    base::IniFile ini(settingsPath());
    const QString s = m_defaultSection;
    const QRect n = window->normalGeometry().isValid() ? window->normalGeometry() : window->geometry();
    const int showCmd = window->isMaximized() ? 3 : window->isMinimized() ? 2 : 1;
    ini.setValue(s, QStringLiteral("Flags"), QStringLiteral("0"));
    ini.setValue(s, QStringLiteral("ShowCmd"), QString::number(showCmd));
    ini.setValue(s, QStringLiteral("PixelsPerInch"), QString::number(window->logicalDpiY()));
    ini.setValue(s, QStringLiteral("MinMaxPos"), QStringLiteral("%1,%2,%3,%4").arg(-1).arg(-1).arg(-1).arg(-1));
    ini.setValue(s, QStringLiteral("NormPos"),
                 QStringLiteral("%1,%2,%3,%4").arg(n.left()).arg(n.top()).arg(n.right() + 1).arg(n.bottom() + 1));
    ini.setValue(s, QStringLiteral("Visible"), window->isVisible() ? QStringLiteral("1") : QStringLiteral("0"));
}

void SettingsStore::restorePlacement(QWidget* window) const
{
    base::IniFile ini(settingsPath());
    const QString s = m_defaultSection;
    const QStringList pos = ini.value(s, QStringLiteral("NormPos")).split(QLatin1Char(','));
    if (pos.size() != 4)
        return;
    bool ok[4];
    const int l = pos[0].trimmed().toInt(&ok[0]), t = pos[1].trimmed().toInt(&ok[1]);
    const int r = pos[2].trimmed().toInt(&ok[2]), b = pos[3].trimmed().toInt(&ok[3]);
    if (!(ok[0] && ok[1] && ok[2] && ok[3]) || r <= l || b <= t)
        return;
    window->setGeometry(l, t, r - l, b - t);
    if (ini.value(s, QStringLiteral("ShowCmd")) == QLatin1String("3"))
        window->setWindowState(window->windowState() | Qt::WindowMaximized);
}

} // namespace app
