#include "app/OrvaneDlg.h"
#include "discovery/AddressTable.h"
#include "discovery/Ipv4Text.h"
#include "framework/ResourceString.h"
#include "framework/TextCodec.h"

#include <vector>

// Reads the IPv4 address table once, starts one scanner per row (127.0.0.1 included),
// titles the window with the local addresses and empties the table.
void COrvaneDlg::StartScanning()
{
    if (m_scanStarted)
        return;
    m_scanStarted = true;

    // Without the table there is no scanning, and the window keeps its template's caption.
    std::vector<MIB_IPADDRROW> rows;
    if (!ReadIpAddressTable(&rows))
        return;

    const Ipv4Net loopback = Ipv4FromText("127.0.0.1");
    std::string title = WideToNarrow(LoadResourceString(IDS_TITLE_MY_IP));
    const std::string separator = WideToNarrow(LoadResourceString(IDS_TITLE_ADDRESS_SEPARATOR));
    bool firstAddress = true;
    for (const MIB_IPADDRROW& row : rows) {
        if (row.dwAddr != loopback) {
            if (!firstAddress)
                title += separator;
            title += Ipv4ToText(row.dwAddr);
            firstAddress = false;
        }
        find_devices* scanner = new find_devices;
        scanner->Start(row.dwAddr, row.dwIndex);
        m_scanners.push_back(scanner);
    }
    title += WideToNarrow(LoadResourceString(IDS_TITLE_FIREWALL));
    SetWindowText(NarrowToWide(title));
    m_list.DeleteAllItems();
}
