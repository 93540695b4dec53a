// The host's IPv4 address table, as GetIpAddrTable gives it (unsorted).
#pragma once

#include <winsock2.h>
#include <iphlpapi.h>

#include <vector>

// Reads the table's rows in the platform's order; false when either call of GetIpAddrTable fails.
bool ReadIpAddressTable(std::vector<MIB_IPADDRROW>* rows);
