#pragma once

#include "base/inifile.h"

#include <QString>

class QWidget;

namespace app {

// The settings file of the program directory.
QString settingsPath();

// The main window's settings store: reads and writes one section of the settings file at a
// time; with no section named it uses the window's own section.
class SettingsStore final
{
public:
    explicit SettingsStore(QString defaultSection = QStringLiteral("Tform3"));

    void setSection(const QString& section) { m_section = section; }
    const QString& section() const { return m_section; }

    QString readString(const QString& key, const QString& defaultValue = QString()) const;
    bool writeString(const QString& key, const QString& value);
    bool writeInteger(const QString& key, long long value) { return writeString(key, QString::number(value)); }

    // Window placement in the window's section.
    void savePlacement(const QWidget* window);
    void restorePlacement(QWidget* window) const;

private:
    QString effectiveSection() const { return m_section.isEmpty() ? m_defaultSection : m_section; }
    QString m_defaultSection;
    QString m_section;
};

} // namespace app
