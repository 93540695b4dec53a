#include "discovery/RoutedBox.h"

#include "discovery/HandleAnnouncement.h"

namespace {

// An unset address (0.0.0.0, or a zero netmask) would hold every address; it holds none.
bool SubnetHolds(const MIB_IPADDRROW& row, Ipv4Net address)
{
    return row.dwAddr != 0 && row.dwMask != 0 && (row.dwAddr & row.dwMask) == (address & row.dwMask);
}

} // namespace

bool IsOutsideLocalSubnets(Ipv4Net lanIp, const std::vector<MIB_IPADDRROW>& localAddresses)
{
    for (const MIB_IPADDRROW& row : localAddresses) {
        if (SubnetHolds(row, lanIp))
            return false;
    }
    return true;
}

bool IsRoutedBox(bool latestAnswerUnicast, Ipv4Net lanIp, const std::vector<MIB_IPADDRROW>& localAddresses)
{
    return latestAnswerUnicast && IsOutsideLocalSubnets(lanIp, localAddresses);
}

bool IsRoutedBox(DeviceId id, Ipv4Net lanIp)
{
    std::vector<MIB_IPADDRROW> rows;
    if (!ReadIpAddressTable(&rows))
        rows.clear();
    return IsRoutedBox(LatestAnswerWasUnicast(id), lanIp, rows);
}

std::uint32_t InterfaceIndexForAddress(Ipv4Net address, const std::vector<MIB_IPADDRROW>& localAddresses,
                                       std::uint32_t fallback)
{
    for (const MIB_IPADDRROW& row : localAddresses) {
        if (SubnetHolds(row, address))
            return row.dwIndex;
    }
    return fallback;
}
