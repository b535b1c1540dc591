#include "base/inifile.h"

#include "base/cp1250.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

namespace base {
namespace {

bool isHeader(const QString& line, QString* name = nullptr)
{
    const QString t = line.trimmed();
    if (t.size() < 2 || !t.startsWith('[') || !t.endsWith(']'))
        return false;
    if (name)
        *name = t.mid(1, t.size() - 2).trimmed();
    return true;
}

// Splits "key=value"; false for comments and lines without '='.
bool splitEntry(const QString& line, QString* key, QString* value)
{
    const QString t = line.trimmed();
    if (t.isEmpty() || t.startsWith(';') || t.startsWith('#'))
        return false;
    const int eq = t.indexOf('=');
    if (eq <= 0)
        return false;
    *key = t.left(eq).trimmed();
    if (value)
        *value = t.mid(eq + 1).trimmed();
    return true;
}

} // namespace

IniFile::IniFile(const QString& path) : m_path(path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return;
    m_exists = true;
    const QByteArray bytes = f.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) {
        m_utf8 = false;
        text = fromCp1250(bytes);
    }
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    m_eol =
        text.contains(QLatin1String("\r\n")) || !text.contains('\n') ? QStringLiteral("\r\n") : QStringLiteral("\n");
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    m_lines = text.split('\n');
    if (!m_lines.isEmpty() && m_lines.last().isEmpty())
        m_lines.removeLast();
}

int IniFile::sectionLine(const QString& section) const
{
    QString name;
    for (int i = 0; i < m_lines.size(); ++i)
        if (isHeader(m_lines[i], &name) && name.compare(section, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

int IniFile::sectionEnd(int headerLine) const
{
    int i = headerLine + 1;
    while (i < m_lines.size() && !isHeader(m_lines[i]))
        ++i;
    return i;
}

int IniFile::keyLine(int headerLine, const QString& key) const
{
    const int end = sectionEnd(headerLine);
    QString k;
    for (int i = headerLine + 1; i < end; ++i)
        if (splitEntry(m_lines[i], &k, nullptr) && k.compare(key, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

bool IniFile::hasSection(const QString& section) const
{
    return sectionLine(section) >= 0;
}

bool IniFile::hasKey(const QString& section, const QString& key) const
{
    const int h = sectionLine(section);
    return h >= 0 && keyLine(h, key) >= 0;
}

QString IniFile::value(const QString& section, const QString& key, const QString& defaultValue) const
{
    const int h = sectionLine(section);
    if (h < 0)
        return defaultValue;
    const int l = keyLine(h, key);
    if (l < 0)
        return defaultValue;
    QString k, v;
    splitEntry(m_lines[l], &k, &v);
    return v;
}

QStringList IniFile::keys(const QString& section) const
{
    QStringList out;
    const int h = sectionLine(section);
    if (h < 0)
        return out;
    const int end = sectionEnd(h);
    QString k;
    for (int i = h + 1; i < end; ++i)
        if (splitEntry(m_lines[i], &k, nullptr))
            out << k;
    return out;
}

bool IniFile::setValue(const QString& section, const QString& key, const QString& value)
{
    const QString entry = key + '=' + value;
    int h = sectionLine(section);
    if (h < 0) {
        if (!m_lines.isEmpty() && !m_lines.last().trimmed().isEmpty())
            m_lines << QString();
        m_lines << '[' + section + ']' << entry;
    } else if (const int l = keyLine(h, key); l >= 0) {
        m_lines[l] = entry;
    } else {
        // After the section's last non-blank line.
        int at = sectionEnd(h);
        while (at - 1 > h && m_lines[at - 1].trimmed().isEmpty())
            --at;
        m_lines.insert(at, entry);
    }
    return write();
}

bool IniFile::removeSection(const QString& section)
{
    const int h = sectionLine(section);
    if (h < 0)
        return true;
    m_lines.erase(m_lines.begin() + h, m_lines.begin() + sectionEnd(h));
    return write();
}

bool IniFile::write() const
{
    QString text = m_lines.join(m_eol);
    if (!m_lines.isEmpty())
        text += m_eol;
    QSaveFile f(m_path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write(m_utf8 ? text.toUtf8() : toCp1250(text));
    return f.commit();
}

} // namespace base
