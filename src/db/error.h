#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

namespace db {

// Every failure of the data layer. Its text is what the user sees in the error box.
class Error : public std::exception
{
public:
    explicit Error(QString text, unsigned code = 0) : m_text(std::move(text)), m_code(code), m_utf8(m_text.toUtf8()) {}
    const QString& text() const { return m_text; }
    // The server's or client library's error number, 0 for the data layer's own errors.
    unsigned code() const { return m_code; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_text;
    unsigned m_code;
    QByteArray m_utf8;
};

} // namespace db
