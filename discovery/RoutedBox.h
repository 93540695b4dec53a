// Which boxes lie across a router: a box whose latest announcement answered a unicast probe
// (a network search) and whose address lies outside every subnet of the PC's adapters. Set
// and the web page reach such a box at its own address instead of by broadcast or alias.
#pragma once

#include "discovery/AddressTable.h"
#include "discovery/DeviceDatagram.h"

#include <cstdint>
#include <vector>

// True when no row of the address table holds lanIp in its subnet (each row masked with its
// own netmask; lanIp in Ipv4Net form).
bool IsOutsideLocalSubnets(Ipv4Net lanIp, const std::vector<MIB_IPADDRROW>& localAddresses);

bool IsRoutedBox(bool latestAnswerUnicast, Ipv4Net lanIp, const std::vector<MIB_IPADDRROW>& localAddresses);

// Window thread: the rule for a listed box, with its latest answer as the receivers recorded it
// and the address table as it is now (a table that cannot be read holds no subnet).
bool IsRoutedBox(DeviceId id, Ipv4Net lanIp);

// The interface index of the first row whose subnet holds the address (Ipv4Net form), or
// fallback when none does.
std::uint32_t InterfaceIndexForAddress(Ipv4Net address, const std::vector<MIB_IPADDRROW>& localAddresses,
                                       std::uint32_t fallback);
