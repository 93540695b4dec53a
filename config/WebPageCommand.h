// The web page command's work for one box: the subnet test, the alias address rule, the page
// address, and the whole command with the operator's consent.
#pragma once

#include "config/IpHelperSeam.h"
#include "discovery/DeviceDatagram.h"
#include "framework/ListCtrl.h"

#include <cstdint>
#include <set>
#include <string>

class DeviceTable;

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

// Window thread. Opens the page of the row's box; a box outside every subnet of the interface
// it answered through first gets an alias address there (its NTE context goes into
// addedAddresses), with the operator's consent asked in a message box owned by owner. A box
// across a router is reached through the router: its page opens at once. Nothing happens for a
// box whose interface is not known.
void OpenWebPageOfRow(HWND owner, const CListCtrl& list, const DeviceTable& table, int row, IpHelper& ipHelper,
                      std::set<std::uint32_t>& addedAddresses);
