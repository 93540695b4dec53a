#include "discovery/StartScanning.h"

#include "discovery/AddressTable.h"
#include "discovery/Ipv4Text.h"

bool StartScanners(std::vector<find_devices*>& scanners, std::string& title)
{
    std::vector<MIB_IPADDRROW> rows;
    if (!ReadIpAddressTable(&rows))
        return false;

    const Ipv4Net loopback = Ipv4FromText("127.0.0.1");
    title = "My IP: ";
    bool firstAddress = true;
    for (const MIB_IPADDRROW& row : rows) {
        if (row.dwAddr != loopback) {
            if (!firstAddress)
                title += "|";
            title += Ipv4ToText(row.dwAddr);
            firstAddress = false;
        }
        find_devices* scanner = new find_devices;
        scanner->Start(row.dwAddr, row.dwIndex);
        scanners.push_back(scanner);
    }
    title += " (Please disable firewall before scan!)";
    return true;
}
