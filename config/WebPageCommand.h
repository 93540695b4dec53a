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

// Whether the alias may be added with this netmask (Ipv4Net form): only a contiguous mask
// from /8 to /30. Anything wider would put a huge on-link route on the operator's adapter,
// and /31, /32 or a mask with holes leaves no room for an alias next to the box.
bool IsAliasNetmask(Ipv4Net netmask);

// "http://<address>/".
std::wstring DevicePageAddress(const std::wstring& lanIp);
