#pragma once

#include <QString>

#include <cstdint>

// Network helpers of the update: the local address the FTP connection is bound to, and the
// start and stop of the network library.
namespace update {

// The first IPv4 address that the machine's own host name resolves to, in network byte
// order; all ones (0xFFFFFFFF, "255.255.255.255") when the name cannot be resolved.
std::uint32_t localHostAddress();

// An IPv4 address in network byte order as "a.b.c.d", most significant byte first.
QString dottedAddress(std::uint32_t networkOrderAddress);

// The address to bind outgoing connections to: the dotted form of the given local host
// address, or empty (the system chooses) when it is all ones (the host name did not
// resolve) or a loopback address (127.x.x.x, as many systems list their own name), from
// which no other machine can be reached.
QString bindableAddress(std::uint32_t networkOrderAddress);

// Called once at program start and once at program end.
void startNetwork();
void stopNetwork();

} // namespace update
