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

// Called once at program start and once at program end.
void startNetwork();
void stopNetwork();

} // namespace update
