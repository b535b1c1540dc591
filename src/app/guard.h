#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace app {

// Runs one user action. Any error it raises (database, file, conversion) ends the action
// and is shown in the error box; the program keeps running. No exception crosses the
// event loop. Returns false when the action failed.
bool guard(QWidget* parent, const std::function<void()>& action);

// A file error with the system's reason, as the error box shows it.
class FileError : public std::exception
{
public:
    explicit FileError(QString text) : m_text(std::move(text)), m_utf8(m_text.toUtf8()) {}
    const QString& text() const { return m_text; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_text;
    QByteArray m_utf8;
};

// A plain error of the program's own with a text for the user.
class UserError : public FileError
{
public:
    using FileError::FileError;
};

} // namespace app
