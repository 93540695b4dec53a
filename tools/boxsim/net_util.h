// Number, address, MAC and hex text helpers, the host's own IPv4 addresses, and TCP listeners.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "discovery/DeviceDatagram.h"

// A whole decimal number, or hexadecimal after 0x (a leading zero does not mean octal),
// optionally negative, within low..high. Options and control commands read every number so.
bool ParseInteger(const std::string& text, long long low, long long high, long long& out);

bool ParseIpv4(const std::string& text, Ipv4Host& out);
std::string Ipv4Text(Ipv4Host host);

bool ParseMac(const std::string& text, std::uint8_t mac[6]);
std::string MacText(const std::uint8_t mac[6]);

// Lower-case hex, two digits per byte, no separators.
std::string HexText(const void* bytes, std::size_t length);
// Accepts an even number of hex digits; blanks and colons between bytes are skipped.
bool ParseHex(const std::string& text, std::vector<std::uint8_t>& out);

// Non-loopback IPv4 addresses of this network namespace, in interface order.
std::vector<Ipv4Host> LocalAddresses();
// The first of LocalAddresses(), or fallback when this namespace has none.
Ipv4Host FirstLocalAddress(Ipv4Host fallback);
bool IsLocalAddress(Ipv4Host host);
// True when a socket here may send from the address: an interface's address, or one that a
// local route makes this namespace's own (an AnyIP route such as "local 172.30.0.0/16 dev lo").
bool CanSendFrom(Ipv4Host host);
// 255.255.255.255 and the broadcast address of the subnet of every local interface address.
std::vector<Ipv4Host> BroadcastAddresses();
// The index of the interface that holds the address here, or 0 when none does.
unsigned InterfaceIndexOf(Ipv4Host host);

// A TCP socket listening on 0.0.0.0:port (SO_REUSEADDR), or -1 with the reason in error.
int OpenTcpListener(unsigned short port, int backlog, std::string& error);
