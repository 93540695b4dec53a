#include "app/OrvaneDlg.h"
#include "discovery/Ipv4Text.h"
#include "framework/TextCodec.h"

#include <iphlpapi.h>

#include <vector>

// Reads the IPv4 address table once, starts one scanner per row (127.0.0.1 included),
// titles the window with the local addresses and empties the table.
void COrvaneDlg::StartScanning()
{
    if (m_scanStarted)
        return;
    m_scanStarted = true;

    ULONG size = 0;
    if (::GetIpAddrTable(nullptr, &size, FALSE) != ERROR_INSUFFICIENT_BUFFER)
        return;
    std::vector<unsigned char> buffer(size, 0);
    MIB_IPADDRTABLE* table = reinterpret_cast<MIB_IPADDRTABLE*>(buffer.data());
    if (::GetIpAddrTable(table, &size, FALSE) != NO_ERROR)
        return;

    const Ipv4Net loopback = Ipv4FromText("127.0.0.1");
    std::string title = "My IP: ";
    bool firstAddress = true;
    for (DWORD i = 0; i < table->dwNumEntries; ++i) {
        const MIB_IPADDRROW& row = table->table[i];
        if (row.dwAddr != loopback) {
            if (!firstAddress)
                title += "|";
            title += Ipv4ToText(row.dwAddr);
            firstAddress = false;
        }
        find_devices* scanner = new find_devices;
        scanner->Start(row.dwAddr, row.dwIndex);
        m_scanners.push_back(scanner);
    }
    title += " (Please disable firewall before scan!)";
    SetWindowText(NarrowToWide(title));
    m_list.DeleteAllItems();
}
