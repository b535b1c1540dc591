#pragma once

#include <QString>
#include <QStringList>

namespace base {

// A settings file with the semantics of Windows INI files: section and key names match
// without regard to case, a missing file, section or key gives the default, and writing a
// key keeps every other line as it was. The file is read as UTF-8 when it is valid UTF-8,
// otherwise as cp1250, and written back in the same encoding.
class IniFile final
{
public:
    explicit IniFile(const QString& path);

    const QString& path() const { return m_path; }
    bool exists() const { return m_exists; }

    bool hasSection(const QString& section) const;
    bool hasKey(const QString& section, const QString& key) const;
    QString value(const QString& section, const QString& key, const QString& defaultValue = QString()) const;
    QStringList keys(const QString& section) const;

    // Sets the key and writes the file at once; false when the file cannot be written.
    bool setValue(const QString& section, const QString& key, const QString& value);
    bool removeSection(const QString& section);

    bool isUtf8() const { return m_utf8; }

private:
    int sectionLine(const QString& section) const;
    int sectionEnd(int headerLine) const;
    int keyLine(int headerLine, const QString& key) const;
    bool write() const;

    QString m_path;
    QStringList m_lines;
    bool m_exists = false;
    bool m_utf8 = true;
    QString m_eol = QStringLiteral("\r\n");
};

} // namespace base
