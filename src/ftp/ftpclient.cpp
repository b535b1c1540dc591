#include "ftp/ftpclient.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QRegularExpression>
#include <QSaveFile>
#include <QUrl>

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

#ifdef _WIN32
#include <winsock2.h>
#else
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace ftp {
namespace {

const QString kTimeout = QStringLiteral("426 Timeout");
const QString kConnectionClosed = QStringLiteral("Connection closed");

std::atomic<bool> g_terminating{false};

// Watches the application object for a quit request, so that a step waiting inside a
// handler gives up instead of keeping the program alive.
class QuitWatcher final : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Quit && watched == QCoreApplication::instance())
            g_terminating = true;
        return false;
    }
};

void watchForQuit()
{
    static QObject* watcher = nullptr;
    QCoreApplication* app = QCoreApplication::instance();
    if (watcher || !app)
        return;
    watcher = new QuitWatcher(app);
    app->installEventFilter(watcher);
}

void closeSocket(curl_socket_t s)
{
#ifdef _WIN32
    ::closesocket(s);
#else
    ::close(s);
#endif
}

// Ends a connection under curl's feet: the peer sees it closed, and whatever curl still
// tries on the socket (its farewell on the control connection) fails at once.
void killSocket(curl_socket_t s)
{
#ifdef _WIN32
    ::shutdown(s, SD_BOTH);
#else
    ::shutdown(s, SHUT_RDWR);
    // The descriptor stays curl's to close: it now refers to a fresh unconnected socket.
    const int dead = ::socket(AF_INET, SOCK_STREAM, 0);
    if (dead >= 0) {
        ::dup2(dead, s);
        ::close(dead);
    }
#endif
}

// A final reply line: three digits and a space (or nothing) after them.
bool isFinalReplyLine(const QString& line)
{
    static const QRegularExpression re(QStringLiteral("^\\d{3}( |$)"));
    return re.match(line).hasMatch();
}

} // namespace

struct FtpClient::Private
{
    QString host;
    int port = 21;
    QString user;
    QString password;
    bool passive = true;
    QString localAddress;
    int timeoutMs = 60000;

    CURLM* multi = nullptr;
    CURL* easy = nullptr;
    char errbuf[CURL_ERROR_SIZE] = {};

    bool connected = false;
    bool busy = false;
    curl_socket_t controlSocket = CURL_SOCKET_BAD;
    bool capturingControlSocket = false;
    curl_socket_t activeSocket = CURL_SOCKET_BAD; // the connection's socket at the end of a step
    std::vector<curl_socket_t> sockets;           // sockets curl opened and has not closed yet

    QString error;
    QString lastReply;
    int stepReplyCode = 0; // code of the last final reply within the running step
    QByteArray replyBuffer;

    QByteArray pendingCommand; // a raw command (as sent) whose own reply is wanted
    bool commandSent = false;
    QString commandReply;

    QElapsedTimer idle;
    QSaveFile* out = nullptr;

    void ensureHandles();
    void releaseHandles();
    void applyOptions(const QByteArray& url, bool noBody, curl_slist* quote);
    CURLcode perform(bool* timedOut);
    QString failureText(CURLcode code) const;
    // The step did not run on the logged-in connection: it is gone, and curl may have
    // quietly opened another one.
    bool sessionLost() const
    {
        return !connected || (activeSocket != CURL_SOCKET_BAD && activeSocket != controlSocket);
    }
    QByteArray baseUrl() const;

    void onReplyData(const char* data, size_t size);

    static size_t writeCallback(char* ptr, size_t size, size_t n, void* userdata);
    static int debugCallback(CURL*, curl_infotype type, char* data, size_t size, void* userdata);
    static curl_socket_t openSocketCallback(void* clientp, curlsocktype purpose, curl_sockaddr* address);
    static int closeSocketCallback(void* clientp, curl_socket_t item);
};

size_t FtpClient::Private::writeCallback(char* ptr, size_t size, size_t n, void* userdata)
{
    auto* p = static_cast<Private*>(userdata);
    p->idle.restart();
    const size_t bytes = size * n;
    if (!p->out)
        return bytes;
    return p->out->write(ptr, qint64(bytes)) == qint64(bytes) ? bytes : 0;
}

int FtpClient::Private::debugCallback(CURL*, curl_infotype type, char* data, size_t size, void* userdata)
{
    auto* p = static_cast<Private*>(userdata);
    switch (type) {
    case CURLINFO_HEADER_IN:
        p->idle.restart();
        p->onReplyData(data, size);
        break;
    case CURLINFO_HEADER_OUT:
        p->idle.restart();
        if (!p->pendingCommand.isEmpty() && !p->commandSent &&
            QByteArrayView(data, qsizetype(size)).startsWith(p->pendingCommand))
            p->commandSent = true;
        break;
    case CURLINFO_DATA_IN:
    case CURLINFO_DATA_OUT:
        p->idle.restart();
        break;
    default:
        break;
    }
    return 0;
}

curl_socket_t FtpClient::Private::openSocketCallback(void* clientp, curlsocktype, curl_sockaddr* address)
{
    auto* p = static_cast<Private*>(clientp);
    curl_socket_t s = ::socket(address->family, address->socktype, address->protocol);
    if (s == CURL_SOCKET_BAD)
        return s;
    p->sockets.push_back(s);
    if (p->capturingControlSocket && p->controlSocket == CURL_SOCKET_BAD)
        p->controlSocket = s;
    return s;
}

int FtpClient::Private::closeSocketCallback(void* clientp, curl_socket_t item)
{
    auto* p = static_cast<Private*>(clientp);
    p->sockets.erase(std::remove(p->sockets.begin(), p->sockets.end(), item), p->sockets.end());
    if (item == p->controlSocket) {
        p->controlSocket = CURL_SOCKET_BAD;
        p->connected = false;
    }
    closeSocket(item);
    return 0;
}

void FtpClient::Private::onReplyData(const char* data, size_t size)
{
    replyBuffer.append(data, qsizetype(size));
    qsizetype nl;
    while ((nl = replyBuffer.indexOf('\n')) >= 0) {
        const QString line = QString::fromLatin1(replyBuffer.left(nl)).trimmed();
        replyBuffer.remove(0, nl + 1);
        if (!isFinalReplyLine(line))
            continue;
        lastReply = line;
        stepReplyCode = line.left(3).toInt();
        if (commandSent && commandReply.isEmpty())
            commandReply = line;
    }
}

void FtpClient::Private::ensureHandles()
{
    if (easy)
        return;
    startLibrary();
    multi = curl_multi_init();
    easy = curl_easy_init();
}

void FtpClient::Private::releaseHandles()
{
    if (!easy)
        return;
    // Killing the sockets first makes the close immediate: no QUIT reaches the server and
    // nothing waits for its reply.
    for (curl_socket_t s : sockets)
        killSocket(s);
    curl_easy_cleanup(easy);
    curl_multi_cleanup(multi);
    easy = nullptr;
    multi = nullptr;
    connected = false;
    controlSocket = CURL_SOCKET_BAD;
    sockets.clear();
    replyBuffer.clear();
}

QByteArray FtpClient::Private::baseUrl() const
{
    QString h = host;
    if (h.contains(QLatin1Char(':')) && !h.startsWith(QLatin1Char('[')))
        h = QLatin1Char('[') + h + QLatin1Char(']');
    return "ftp://" + h.toUtf8() + ':' + QByteArray::number(port) + '/';
}

void FtpClient::Private::applyOptions(const QByteArray& url, bool noBody, curl_slist* quote)
{
    curl_easy_reset(easy);
    curl_easy_setopt(easy, CURLOPT_URL, url.constData());
    curl_easy_setopt(easy, CURLOPT_USERNAME, user.toUtf8().constData());
    curl_easy_setopt(easy, CURLOPT_PASSWORD, password.toUtf8().constData());
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_NOBODY, noBody ? 1L : 0L);
    curl_easy_setopt(easy, CURLOPT_QUOTE, quote);
    // Every step works in the server's current directory; curl itself never changes it.
    curl_easy_setopt(easy, CURLOPT_FTP_FILEMETHOD, long(CURLFTPMETHOD_NOCWD));
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errbuf);
    curl_easy_setopt(easy, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(easy, CURLOPT_DEBUGFUNCTION, &Private::debugCallback);
    curl_easy_setopt(easy, CURLOPT_DEBUGDATA, this);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Private::writeCallback);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy, CURLOPT_OPENSOCKETFUNCTION, &Private::openSocketCallback);
    curl_easy_setopt(easy, CURLOPT_OPENSOCKETDATA, this);
    curl_easy_setopt(easy, CURLOPT_CLOSESOCKETFUNCTION, &Private::closeSocketCallback);
    curl_easy_setopt(easy, CURLOPT_CLOSESOCKETDATA, this);
    if (!localAddress.isEmpty())
        curl_easy_setopt(easy, CURLOPT_INTERFACE, ("host!" + localAddress.toUtf8()).constData());
    if (!passive) {
        // The server connects back to the address of our end of the control connection.
        curl_easy_setopt(easy, CURLOPT_FTPPORT, localAddress.isEmpty() ? "-" : localAddress.toUtf8().constData());
    }
    // Our own inactivity limit governs; curl's limits only stop it from waiting for ever.
    const long curlLimit = long(std::max(timeoutMs, 1000)) * 2;
    curl_easy_setopt(easy, CURLOPT_ACCEPTTIMEOUT_MS, curlLimit);
    curl_easy_setopt(easy, CURLOPT_SERVER_RESPONSE_TIMEOUT, std::max(curlLimit / 1000, 1L));
}

CURLcode FtpClient::Private::perform(bool* timedOut)
{
    *timedOut = false;
    errbuf[0] = '\0';
    stepReplyCode = 0;
    replyBuffer.clear();
    CURLcode result = CURLE_OK;
    curl_multi_add_handle(multi, easy);
    idle.start();
    for (;;) {
        if (applicationTerminating()) {
            *timedOut = true;
            break;
        }
        int running = 0;
        curl_multi_perform(multi, &running);
        bool done = false;
        int queued = 0;
        while (CURLMsg* msg = curl_multi_info_read(multi, &queued)) {
            if (msg->msg == CURLMSG_DONE && msg->easy_handle == easy) {
                result = msg->data.result;
                done = true;
            }
        }
        if (done)
            break;
        if (idle.elapsed() >= timeoutMs) {
            *timedOut = true;
            break;
        }
        const int waitMs = int(std::clamp<qint64>(timeoutMs - idle.elapsed(), 1, 10));
        curl_multi_poll(multi, nullptr, 0, waitMs, nullptr);
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    activeSocket = CURL_SOCKET_BAD;
    if (curl_easy_getinfo(easy, CURLINFO_ACTIVESOCKET, &activeSocket) != CURLE_OK)
        activeSocket = CURL_SOCKET_BAD;
    // Removing an unfinished transfer closes its connection.
    curl_multi_remove_handle(multi, easy);
    return result;
}

QString FtpClient::Private::failureText(CURLcode code) const
{
    if (stepReplyCode >= 400 && !lastReply.isEmpty())
        return lastReply;
    if (errbuf[0])
        return QString::fromUtf8(errbuf);
    return QString::fromUtf8(curl_easy_strerror(code));
}

FtpClient::FtpClient() : d(std::make_unique<Private>())
{
    watchForQuit();
}

FtpClient::~FtpClient()
{
    d->releaseHandles();
}

void FtpClient::setHost(const QString& host)
{
    d->host = host;
}

void FtpClient::setPort(int port)
{
    d->port = port;
}

void FtpClient::setUser(const QString& user)
{
    d->user = user;
}

void FtpClient::setPassword(const QString& password)
{
    d->password = password;
}

void FtpClient::setPassive(bool passive)
{
    d->passive = passive;
}

void FtpClient::setLocalAddress(const QString& address)
{
    d->localAddress = address;
}

void FtpClient::setTimeoutMs(int ms)
{
    d->timeoutMs = ms;
}

QString FtpClient::host() const
{
    return d->host;
}

int FtpClient::port() const
{
    return d->port;
}

bool FtpClient::passive() const
{
    return d->passive;
}

QString FtpClient::localAddress() const
{
    return d->localAddress;
}

int FtpClient::timeoutMs() const
{
    return d->timeoutMs;
}

bool FtpClient::isConnected() const
{
    return d->connected;
}

QString FtpClient::errorText() const
{
    return d->error;
}

QString FtpClient::lastReply() const
{
    return d->lastReply;
}

bool FtpClient::connectToHost()
{
    if (d->busy) {
        d->error = QStringLiteral("Client busy");
        return false;
    }
    d->releaseHandles();
    d->lastReply.clear();
    if (applicationTerminating()) {
        d->error = kTimeout;
        return false;
    }
    if (d->host.isEmpty()) {
        d->error = QStringLiteral("No host name");
        return false;
    }
    if (d->port < 1 || d->port > 65535) {
        d->error = QStringLiteral("Invalid port number");
        return false;
    }
    d->ensureHandles();
    d->applyOptions(d->baseUrl(), true, nullptr);
    d->busy = true;
    d->capturingControlSocket = true;
    bool timedOut = false;
    const CURLcode rc = d->perform(&timedOut);
    d->capturingControlSocket = false;
    d->busy = false;
    if (timedOut || rc != CURLE_OK) {
        d->error = timedOut ? kTimeout : d->failureText(rc);
        d->releaseHandles();
        return false;
    }
    // The control connection's own socket (rather than the first one tried, when several
    // addresses were attempted), to notice when curl gives the connection up.
    if (d->activeSocket != CURL_SOCKET_BAD)
        d->controlSocket = d->activeSocket;
    d->connected = d->controlSocket != CURL_SOCKET_BAD;
    if (!d->connected) {
        d->error = QStringLiteral("Connection lost");
        d->releaseHandles();
        return false;
    }
    d->error.clear();
    return true;
}

bool FtpClient::changeDir(const QString& dir)
{
    return sendCommand(QStringLiteral("CWD ") + dir);
}

bool FtpClient::sendCommand(const QString& command)
{
    if (d->busy) {
        d->error = QStringLiteral("Client busy");
        return false;
    }
    if (applicationTerminating()) {
        d->error = kTimeout;
        return false;
    }
    if (!d->connected) {
        d->error = QStringLiteral("Not connected");
        return false;
    }
    // A leading '*' tells curl to go on when the command fails: the step reports the
    // server's reply itself and the connection stays usable.
    const QByteArray raw = command.toUtf8();
    curl_slist* quote = curl_slist_append(nullptr, ("*" + raw).constData());
    d->applyOptions(d->baseUrl(), true, quote);
    d->pendingCommand = raw;
    d->commandSent = false;
    d->commandReply.clear();
    d->busy = true;
    bool timedOut = false;
    const CURLcode rc = d->perform(&timedOut);
    d->busy = false;
    curl_easy_setopt(d->easy, CURLOPT_QUOTE, nullptr);
    curl_slist_free_all(quote);
    d->pendingCommand.clear();
    bool ok = false;
    if (timedOut)
        d->error = kTimeout;
    else if (rc != CURLE_OK)
        d->error = d->failureText(rc);
    else if (d->sessionLost())
        d->error = kConnectionClosed;
    else if (d->commandReply.isEmpty())
        d->error = QStringLiteral("No reply to ") + command.section(QLatin1Char(' '), 0, 0);
    else if (d->commandReply.left(3).toInt() >= 400)
        d->error = d->commandReply;
    else
        ok = true;
    if (ok)
        d->error.clear();
    if (d->sessionLost())
        d->releaseHandles();
    return ok;
}

bool FtpClient::download(const QString& remoteName, const QString& localPath)
{
    if (d->busy) {
        d->error = QStringLiteral("Client busy");
        return false;
    }
    if (applicationTerminating()) {
        d->error = kTimeout;
        return false;
    }
    if (!d->connected) {
        d->error = QStringLiteral("Not connected");
        return false;
    }
    QSaveFile file(localPath);
    if (!file.open(QIODevice::WriteOnly)) {
        d->error = QStringLiteral("Cannot write %1: %2").arg(localPath, file.errorString());
        return false;
    }
    const QByteArray url = d->baseUrl() + QUrl::toPercentEncoding(remoteName, "/");
    d->applyOptions(url, false, nullptr);
    d->out = &file;
    d->busy = true;
    bool timedOut = false;
    const CURLcode rc = d->perform(&timedOut);
    d->busy = false;
    d->out = nullptr;
    if (timedOut || rc != CURLE_OK || d->sessionLost()) {
        d->error = timedOut ? kTimeout : rc != CURLE_OK ? d->failureText(rc) : kConnectionClosed;
        file.cancelWriting();
        if (d->sessionLost())
            d->releaseHandles();
        return false;
    }
    if (!file.commit()) {
        d->error = QStringLiteral("Cannot write %1: %2").arg(localPath, file.errorString());
        return false;
    }
    d->error.clear();
    return true;
}

void FtpClient::abort()
{
    if (d->busy)
        return;
    d->releaseHandles();
}

bool applicationTerminating()
{
    return g_terminating || QCoreApplication::closingDown();
}

void setApplicationTerminating(bool terminating)
{
    g_terminating = terminating;
}

namespace {
std::mutex g_libraryMutex;
bool g_libraryStarted = false;
} // namespace

void startLibrary()
{
    std::lock_guard lock(g_libraryMutex);
    if (!g_libraryStarted)
        g_libraryStarted = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
}

void stopLibrary()
{
    std::lock_guard lock(g_libraryMutex);
    if (g_libraryStarted)
        curl_global_cleanup();
    g_libraryStarted = false;
}

} // namespace ftp
