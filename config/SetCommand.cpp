#include "config/SetCommand.h"

#include "config/BasicDlg.h"
#include "config/ConfigIds.h"
#include "discovery/AddressTable.h"
#include "discovery/DeviceTable.h"
#include "discovery/Ipv4Text.h"
#include "discovery/RoutedBox.h"
#include "discovery/NetSocket.h"
#include "framework/ResourceString.h"
#include "framework/TextCodec.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

std::vector<Ipv4Net> LocalAddressesFromLookup()
{
    std::vector<Ipv4Net> addresses;
    char hostName[256] = {};
    if (::gethostname(hostName, sizeof hostName) != 0)
        return addresses;
    const hostent* host = ::gethostbyname(hostName);
    if (!host || host->h_addrtype != AF_INET || host->h_length != 4 || !host->h_addr_list)
        return addresses;
    for (char** entry = host->h_addr_list; *entry; ++entry) {
        Ipv4Net address;
        std::memcpy(&address, *entry, 4);
        addresses.push_back(address);
    }
    return addresses;
}

std::vector<Ipv4Net> LocalAddressesFromTable()
{
    std::vector<Ipv4Net> addresses;
    std::vector<MIB_IPADDRROW> rows;
    if (!ReadIpAddressTable(&rows))
        return addresses;
    for (const MIB_IPADDRROW& row : rows) {
        Ipv4Net address = row.dwAddr;
        // A broadcast from a loopback or unset address reaches no box.
        if (address == 0 || (Ipv4HostFromNet(address) >> 24) == 127)
            continue;
        addresses.push_back(address);
    }
    return addresses;
}

std::vector<Ipv4Net> GetLocalAddresses()
{
    std::vector<Ipv4Net> addresses = LocalAddressesFromLookup();
    if (addresses.empty())
        addresses = LocalAddressesFromTable();
    return addresses;
}

DeviceDatagram MakeSetNetworkDatagram(DeviceId id, Ipv4Net currentIp, Ipv4Net currentNetmask, Ipv4Net newIp,
                                      Ipv4Net newNetmask, Ipv4Net newGateway, const char* macText)
{
    DeviceDatagram datagram;
    std::memset(&datagram, 0, sizeof datagram);
    datagram.msgType = MSG_SET_NETWORK;
    datagram.deviceId = id;
    datagram.lanStaticIp = Ipv4HostFromNet(currentIp);
    datagram.lanNetmask = Ipv4HostFromNet(currentNetmask);
    datagram.newStaticIp = Ipv4HostFromNet(newIp);
    datagram.newNetmask = Ipv4HostFromNet(newNetmask);
    datagram.newGateway = Ipv4HostFromNet(newGateway);
    unsigned char* mac = datagram.mac;
    std::sscanf(macText ? macText : "", "%hhx:%hhx:%hhx:%hhx:%hhx:%hhx", &mac[0], &mac[1], &mac[2], &mac[3], &mac[4],
                &mac[5]);
    return datagram;
}

void SendSetNetwork(Ipv4Net localAddress, DeviceId id, Ipv4Net currentIp, Ipv4Net currentNetmask, Ipv4Net newIp,
                    Ipv4Net newNetmask, Ipv4Net newGateway, const char* macText)
{
    NetSocket socket;
    if (!socket.BindLocal(Ipv4ToText(localAddress).c_str())) {
        socket.Close();
        return;
    }
    BOOL broadcast = TRUE;
    ::setsockopt(socket.Handle(), SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&broadcast),
                 sizeof broadcast);
    DeviceDatagram datagram =
        MakeSetNetworkDatagram(id, currentIp, currentNetmask, newIp, newNetmask, newGateway, macText);
    socket.SendBroadcast(&datagram);
    socket.Close();
}

namespace {

// A routed box's five passes of the set command, to its own address. Each pass goes out on a
// socket of its own, bound to any local address so that routing picks the adapter towards the
// box.
void SendSetToRoutedBox(Ipv4Host boxAddress, const DeviceDatagram& datagram)
{
    for (int pass = 0; pass < SET_PASSES; ++pass) {
        NetSocket socket;
        if (socket.BindLocal(nullptr))
            socket.SendTo(&datagram, boxAddress);
        socket.Close();
        ::Sleep(SET_PASS_PAUSE_MS);
    }
}

} // namespace

void RunSetCommand(HWND owner, const CListCtrl& list, const DeviceTable& table, int row)
{
    const DeviceId id = table.DeviceIdInRow(row);
    const std::wstring idText = list.GetItemText(row, COL_ID);  // as the dialog shows it
    const std::wstring lanIpText = list.GetItemText(row, COL_LAN_IP);
    const std::wstring staticIpText = list.GetItemText(row, COL_LAN_STATIC_IP);
    const std::wstring netmaskText = list.GetItemText(row, COL_LAN_NETMASK);
    const std::wstring gatewayText = list.GetItemText(row, COL_LAN_GATEWAY);
    const std::wstring macText = list.GetItemText(row, COL_LAN_MAC);

    CBasicDlg dialog(owner);
    dialog.m_id = idText;
    dialog.m_lanIp = staticIpText;
    dialog.m_lanNetmask = netmaskText;
    dialog.m_lanGateway = gatewayText;
    if (dialog.DoModal() != IDOK)
        return;
    if (CWnd(owner).MessageBox(LoadResourceString(IDS_SET_CONFIRMATION), LoadResourceString(IDS_WARNING_CAPTION).c_str(),
                               MB_OKCANCEL) != IDOK)
        return;

    const Ipv4Net currentIp = Ipv4FromText(staticIpText);
    const Ipv4Net currentNetmask = Ipv4FromText(netmaskText);
    const Ipv4Net newIp = Ipv4FromText(dialog.m_lanIp);
    const Ipv4Net newNetmask = Ipv4FromText(dialog.m_lanNetmask);
    const Ipv4Net newGateway = Ipv4FromText(dialog.m_lanGateway);
    const std::string mac = WideToNarrow(macText);

    // No broadcast reaches a box across a router: its passes go to its own address.
    const Ipv4Net lanIp = Ipv4FromText(lanIpText);
    if (IsRoutedBox(id, lanIp)) {
        SendSetToRoutedBox(Ipv4HostFromNet(lanIp), MakeSetNetworkDatagram(id, currentIp, currentNetmask, newIp,
                                                                          newNetmask, newGateway, mac.c_str()));
        return;
    }
    const std::vector<Ipv4Net> localAddresses = GetLocalAddresses();
    for (int pass = 0; pass < SET_PASSES; ++pass) {
        for (Ipv4Net local : localAddresses)
            SendSetNetwork(local, id, currentIp, currentNetmask, newIp, newNetmask, newGateway, mac.c_str());
        ::Sleep(SET_PASS_PAUSE_MS);
    }
}
