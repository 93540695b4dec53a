// The Set command's work for one box: the Set dialog, the operator's confirmation, and one
// MSG_SET_NETWORK datagram per local address and pass.
#pragma once

#include "discovery/DeviceDatagram.h"
#include "framework/ListCtrl.h"

#include <windows.h>

#include <vector>

class DeviceTable;

constexpr int SET_PASSES = 5;
constexpr DWORD SET_PASS_PAUSE_MS = 150;

// The host's IPv4 addresses (Ipv4Net) in the order the host-name lookup gives them; when the
// lookup fails or lists none, the non-loopback addresses of the IPv4 address table.
std::vector<Ipv4Net> GetLocalAddresses();
std::vector<Ipv4Net> LocalAddressesFromLookup();
std::vector<Ipv4Net> LocalAddressesFromTable();

// The 184-byte set command. Addresses come in Ipv4Net form; the MAC text is six hex groups
// joined by colons, and parsing stops at the first group that does not match (the rest of
// the MAC stays zero). The box's current gateway is never sent.
DeviceDatagram MakeSetNetworkDatagram(DeviceId id, Ipv4Net currentIp, Ipv4Net currentNetmask, Ipv4Net newIp,
                                      Ipv4Net newNetmask, Ipv4Net newGateway, const char* macText);

// Broadcasts one set command from a socket bound to the local address. An address that
// cannot be bound is skipped silently; send failures are not reported.
void SendSetNetwork(Ipv4Net localAddress, DeviceId id, Ipv4Net currentIp, Ipv4Net currentNetmask, Ipv4Net newIp,
                    Ipv4Net newNetmask, Ipv4Net newGateway, const char* macText);

// Window thread. Works on copies of the row's cells: shows the Set dialog with the box's values
// and then the warning, both owned by owner, and sends nothing unless the operator confirms
// valid values in both. A box across a router gets the passes at its own address.
void RunSetCommand(HWND owner, const CListCtrl& list, const DeviceTable& table, int row);
