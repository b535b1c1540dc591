#pragma once

#include <QString>

#include <memory>

namespace ftp {

// An FTP client that works step by step over one control connection: connect and log in,
// change directory, send a raw command, download a file, abort. Each step is synchronous
// for its caller, but while it waits the Qt event loop keeps turning (the step polls the
// network and processes pending events in turns), so windows stay painted and usable.
//
// After every step errorText() is empty when the step succeeded and otherwise holds the
// server's reply (e.g. "530 Login incorrect.") or the client's own description. A step that
// sees no traffic for timeoutMs() fails with "426 Timeout"; any traffic restarts the period.
// While the application is terminating every step fails at once with "426 Timeout".
class FtpClient final
{
public:
    FtpClient();
    ~FtpClient();
    FtpClient(const FtpClient&) = delete;
    FtpClient& operator=(const FtpClient&) = delete;

    void setHost(const QString& host);
    void setPort(int port);
    void setUser(const QString& user);
    void setPassword(const QString& password);
    // Passive data connections (the client connects to the server); otherwise active (the
    // server connects back to the client's address on the control connection).
    void setPassive(bool passive);
    // The local address the connections are bound to; empty for the system's choice.
    void setLocalAddress(const QString& address);
    void setTimeoutMs(int ms);

    QString host() const;
    int port() const;
    bool passive() const;
    QString localAddress() const;
    int timeoutMs() const;

    // Opens the control connection and logs in with user and password.
    bool connectToHost();
    // "CWD dir".
    bool changeDir(const QString& dir);
    // Sends one command as it is (e.g. "TYPE I"); succeeds on a positive reply.
    bool sendCommand(const QString& command);
    // Downloads remoteName from the server's current directory to localPath. The data go to
    // a temporary file beside localPath that replaces it only when the transfer succeeded,
    // so a failed download never leaves an empty or partial file under the real name.
    bool download(const QString& remoteName, const QString& localPath);
    // Closes the connection at once (no QUIT). Leaves errorText() as it was.
    void abort();

    bool isConnected() const;
    QString errorText() const;
    // The last complete reply line the server sent, whether it meant success or not.
    QString lastReply() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// True once the application has been asked to quit (or is being torn down); FTP steps then
// fail at once. The flag follows quit requests by itself; the program can also set it.
bool applicationTerminating();
void setApplicationTerminating(bool terminating);

// Process-wide start and stop of the network library; optional (the first client starts it).
void startLibrary();
void stopLibrary();

} // namespace ftp
