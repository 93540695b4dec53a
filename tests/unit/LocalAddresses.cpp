#include "tests/unit/LocalAddresses.h"

#include "discovery/AddressTable.h"
#include "discovery/Ipv4Text.h"

#include <vector>

bool FindLocalAddress(const std::string& dotted, MIB_IPADDRROW* found)
{
    std::vector<MIB_IPADDRROW> rows;
    if (!ReadIpAddressTable(&rows))
        return false;
    for (const MIB_IPADDRROW& row : rows) {
        if (Ipv4ToText(row.dwAddr) == dotted) {
            *found = row;
            return true;
        }
    }
    return false;
}

std::uint32_t InterfaceIndexOf(const std::string& dotted)
{
    MIB_IPADDRROW row;
    return FindLocalAddress(dotted, &row) ? (std::uint32_t)row.dwIndex : 0;
}

Ipv4Host HostAddress(const std::string& dotted)
{
    return Ipv4HostFromNet(Ipv4FromText(dotted.c_str()));
}
