// The web page command's own functions: the subnet test, the alias address rule and the
// page address.
#pragma once

#include "discovery/DeviceDatagram.h"

#include <cstdint>
#include <string>

// True when the IPv4 address table holds, on the given interface, an address that masked with
// its own netmask equals network (Ipv4Net form). False when the table cannot be read.
bool IsInLocalSubnet(std::uint32_t interfaceIndex, Ipv4Net network);

// The alias address: a host address of the box's subnet (deviceAddress & netmask, both in host
// order) next to the box's address, one above it when that is a host address, else one below;
// never the subnet's network or broadcast address. 0 when the subnet has no such address (a /31
// or /32 mask).
Ipv4Host AliasAddressFor(Ipv4Host deviceAddress, Ipv4Host netmask);

// Whether the alias may be added with this netmask (Ipv4Net form): only a contiguous mask
// from /8 to /30. Anything wider would put a huge on-link route on the operator's adapter,
// and /31, /32 or a mask with holes leaves no room for an alias next to the box.
bool IsAliasNetmask(Ipv4Net netmask);

// "http://<address>/".
std::wstring DevicePageAddress(const std::wstring& lanIp);
