#include "update/ip_misc.h"

#include "ftp/ftpclient.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <cstring>

namespace update {

std::uint32_t localHostAddress()
{
    char name[256] = {};
    if (::gethostname(name, 255) != 0)
        return 0xFFFFFFFFu;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(name, nullptr, &hints, &found) != 0 || !found)
        return 0xFFFFFFFFu;
    std::uint32_t address = 0xFFFFFFFFu;
    for (addrinfo* a = found; a; a = a->ai_next) {
        if (a->ai_family == AF_INET && a->ai_addr) {
            sockaddr_in in{};
            std::memcpy(&in, a->ai_addr, sizeof in);
            address = in.sin_addr.s_addr;
            break;
        }
    }
    ::freeaddrinfo(found);
    return address;
}

QString dottedAddress(std::uint32_t networkOrderAddress)
{
    const std::uint32_t a = ntohl(networkOrderAddress);
    return QStringLiteral("%1.%2.%3.%4").arg(a >> 24).arg((a >> 16) & 0xFF).arg((a >> 8) & 0xFF).arg(a & 0xFF);
}

QString bindableAddress(std::uint32_t networkOrderAddress)
{
    const std::uint32_t a = ntohl(networkOrderAddress);
    if (a == 0xFFFFFFFFu || (a >> 24) == 127)
        return QString();
    return dottedAddress(networkOrderAddress);
}

void startNetwork()
{
#ifdef _WIN32
    WSADATA data;
    ::WSAStartup(MAKEWORD(1, 1), &data);
#endif
    ftp::startLibrary();
}

void stopNetwork()
{
    ftp::stopLibrary();
#ifdef _WIN32
    ::WSACleanup();
#endif
}

} // namespace update
