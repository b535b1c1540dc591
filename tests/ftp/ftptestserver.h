#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// A real FTP server (pyftpdlib) on loopback, serving one directory on a free port for as
// long as the object lives.
class FtpTestServer final
{
public:
    struct Options
    {
        QStringList stalledFiles; // a RETR of these gets no reply
        bool slow = false;        // data trickle out in small chunks with pauses
    };

    static constexpr const char* kUser = "tolvar";
    static constexpr const char* kPassword = "903618qzt";

    explicit FtpTestServer(const QString& rootDir, const Options& options);
    explicit FtpTestServer(const QString& rootDir) : FtpTestServer(rootDir, Options()) {}
    ~FtpTestServer();
    FtpTestServer(const FtpTestServer&) = delete;
    FtpTestServer& operator=(const FtpTestServer&) = delete;

    // 0 when the server did not start.
    int port() const { return m_port; }

private:
    QProcess m_process;
    int m_port = 0;
};
