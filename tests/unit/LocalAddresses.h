// The test process's own IPv4 addresses, and dotted text as host-order numbers. Free of gtest,
// so the benchmarks use it too.
#pragma once

#include "discovery/DeviceDatagram.h"

#include <winsock2.h>
#include <iphlpapi.h>

#include <cstdint>
#include <string>

// The IP address table row of a local address (dotted text); false when no local address matches.
bool FindLocalAddress(const std::string& dotted, MIB_IPADDRROW* found);
// The interface index (dwIndex) of a local address (dotted text), or 0 when no local address
// matches (the platform gives no interface index 0).
std::uint32_t InterfaceIndexOf(const std::string& dotted);

// a.b.c.d -> a<<24 | b<<16 | c<<8 | d.
Ipv4Host HostAddress(const std::string& dotted);
