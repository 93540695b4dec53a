// The web page command's own functions: the subnet test, the alias address rule and the
// page address.
#pragma once

#include "discovery/DeviceDatagram.h"

#include <cstdint>
#include <string>

// True when the IPv4 address table holds, on the given interface, an address that masked with
// its own netmask equals network (Ipv4Net form). False when the table cannot be read.
bool IsInLocalSubnet(std::uint32_t interfaceIndex, Ipv4Net network);

// The alias address next to the box's address: one below when its last octet is 254, else one
// above (a carry runs into the higher octets).
Ipv4Host AliasAddressFor(Ipv4Host deviceAddress);

// "http://<address>/".
std::wstring DevicePageAddress(const std::wstring& lanIp);
