#include "discovery/StartScanning.h"

#include "discovery/AddressTable.h"
#include "discovery/Ipv4Text.h"

bool StartScanners(std::vector<find_devices*>& scanners, std::vector<std::string>& titleAddresses)
{
    std::vector<MIB_IPADDRROW> rows;
    if (!ReadIpAddressTable(&rows))
        return false;

    const Ipv4Net loopback = Ipv4FromText("127.0.0.1");
    for (const MIB_IPADDRROW& row : rows) {
        if (row.dwAddr != loopback)
            titleAddresses.push_back(Ipv4ToText(row.dwAddr));
        find_devices* scanner = new find_devices;
        scanner->Start(row.dwAddr, row.dwIndex);
        scanners.push_back(scanner);
    }
    return true;
}
