#include "config/WebPageCommand.h"

#include "config/BrowserPath.h"
#include "config/ConfigIds.h"
#include "discovery/AddressTable.h"
#include "discovery/DeviceTable.h"
#include "discovery/HandleAnnouncement.h"
#include "discovery/Ipv4Text.h"
#include "discovery/RoutedBox.h"
#include "framework/ResourceString.h"
#include "framework/TextCodec.h"

#include <winsock2.h>
#include <iphlpapi.h>
#include <shellapi.h>

#include <vector>

namespace {

// The adapter's name as the operator knows it, or "interface N" when it cannot be found.
std::wstring AdapterName(std::uint32_t interfaceIndex)
{
    const std::wstring fallback = LoadResourceString(IDS_ADAPTER_INTERFACE) + std::to_wstring(interfaceIndex);
    const ULONG flags = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
    ULONG size = 16 * 1024;
    std::vector<unsigned char> buffer;
    ULONG result = ERROR_BUFFER_OVERFLOW;
    for (int attempt = 0; attempt < 3 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
        buffer.assign(size, 0);
        result = ::GetAdaptersAddresses(AF_INET, flags, nullptr,
                                        reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
    }
    if (result != NO_ERROR)
        return fallback;
    for (auto* adapter = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); adapter; adapter = adapter->Next) {
        if (adapter->IfIndex == interfaceIndex && adapter->FriendlyName && adapter->FriendlyName[0])
            return LoadResourceString(IDS_ADAPTER_NAME_OPEN) + adapter->FriendlyName +
                   LoadResourceString(IDS_ADAPTER_NAME_CLOSE) + fallback + LoadResourceString(IDS_ADAPTER_NAME_END);
    }
    return fallback;
}

std::wstring SystemErrorText(DWORD error)
{
    wchar_t* text = nullptr;
    DWORD length = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                        FORMAT_MESSAGE_IGNORE_INSERTS,
                                    nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message;
    if (length && text) {
        message.assign(text, length);
        while (!message.empty() && (message.back() == L'\r' || message.back() == L'\n' || message.back() == L' '))
            message.pop_back();
    }
    if (text)
        ::LocalFree(text);
    if (message.empty())
        message = LoadResourceString(IDS_UNKNOWN_ERROR);
    return message + LoadResourceString(IDS_ERROR_NUMBER) + std::to_wstring(error) +
           LoadResourceString(IDS_ERROR_NUMBER_END);
}

// What the operator is told when the alias could not be added.
std::wstring AliasFailureText(Ipv4Net alias, Ipv4Net netmask, std::uint32_t interfaceIndex, DWORD error)
{
    return LoadResourceString(IDS_ALIAS_FAILED) + NarrowToWide(Ipv4ToText(alias)) +
           LoadResourceString(IDS_ALIAS_FAILED_NETMASK) + NarrowToWide(Ipv4ToText(netmask)) +
           LoadResourceString(IDS_ALIAS_FAILED_ADAPTER) + AdapterName(interfaceIndex) +
           LoadResourceString(IDS_ALIAS_FAILED_REASON) + SystemErrorText(error) +
           LoadResourceString(IDS_ALIAS_FAILED_RIGHTS);
}

// What the operator is told when the box's netmask is no reason to add an alias.
std::wstring UnusualNetmaskText(Ipv4Net netmask)
{
    return LoadResourceString(IDS_ALIAS_UNUSUAL_NETMASK) + NarrowToWide(Ipv4ToText(netmask)) +
           LoadResourceString(IDS_ALIAS_UNUSUAL_NETMASK_RANGE);
}

// Starts the browser with the page; when no browser path is known or it cannot be started,
// the shell opens the page address through its own association for it.
void OpenPageInBrowser(const std::wstring& page)
{
    const std::wstring browser = GetDefaultBrowserPath();
    if (!browser.empty()) {
        HINSTANCE started = ::ShellExecuteW(nullptr, L"open", browser.c_str(), page.c_str(), nullptr, SW_SHOWNORMAL);
        if ((INT_PTR)started > 32)
            return;
    }
    ::ShellExecuteW(nullptr, L"open", page.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

} // namespace

bool IsInLocalSubnet(std::uint32_t interfaceIndex, Ipv4Net network)
{
    std::vector<MIB_IPADDRROW> rows;
    if (!ReadIpAddressTable(&rows))
        return false;
    for (const MIB_IPADDRROW& row : rows) {
        if (row.dwIndex == interfaceIndex && (row.dwAddr & row.dwMask) == network)
            return true;
    }
    return false;
}

bool IsAliasNetmask(Ipv4Net netmask)
{
    const std::uint32_t hostBits = ~Ipv4HostFromNet(netmask);
    // Contiguous: the host part is a run of ones at the low end, 2^k - 1.
    if ((hostBits & (hostBits + 1)) != 0)
        return false;
    // 2^2 - 1 (/30) up to 2^24 - 1 (/8).
    return hostBits >= 0x3u && hostBits <= 0xFFFFFFu;
}

Ipv4Host AliasAddressFor(Ipv4Host deviceAddress, Ipv4Host netmask)
{
    const Ipv4Host network = deviceAddress & netmask;
    const Ipv4Host broadcast = network | ~netmask;
    // Host addresses lie strictly between the network and the broadcast address (a neighbour
    // that wraps past 0 or 255.255.255.255 falls outside too).
    auto isHost = [&](Ipv4Host address) { return address > network && address < broadcast; };
    if (isHost(deviceAddress + 1))
        return deviceAddress + 1;
    if (isHost(deviceAddress - 1))
        return deviceAddress - 1;
    return 0;
}

std::wstring DevicePageAddress(const std::wstring& lanIp)
{
    return L"http://" + lanIp + L"/";
}

namespace {

// Window thread. Gives the interface an address next to the box's, in the box's subnet, and
// flushes its ARP table; a failure is reported (owned by owner) and the page is opened all the
// same. The alias's NTE context goes into addedAddresses.
void AddAliasAddress(HWND owner, IpHelper& ipHelper, std::set<std::uint32_t>& addedAddresses, Ipv4Net deviceAddress,
                     Ipv4Net deviceNetmask, std::uint32_t interfaceIndex)
{
    // The netmask is from /8 to /30 (IsAliasNetmask), so the subnet always has a host address
    // next to the box's.
    const Ipv4Net alias =
        Ipv4NetFromHost(AliasAddressFor(Ipv4HostFromNet(deviceAddress), Ipv4HostFromNet(deviceNetmask)));
    ULONG nteContext = 0;
    ULONG nteInstance = 0;
    const DWORD added = ipHelper.AddIPAddress(alias, deviceNetmask, interfaceIndex, &nteContext, &nteInstance);
    // The context identifies an alias only when it was added; after a failure it means nothing.
    if (added == NO_ERROR)
        addedAddresses.insert(nteContext);
    ipHelper.FlushIpNetTable(interfaceIndex);
    if (added != NO_ERROR)
        CWnd(owner).MessageBox(AliasFailureText(alias, deviceNetmask, interfaceIndex, added), nullptr,
                               MB_OK | MB_ICONWARNING);
}

} // namespace

void OpenWebPageOfRow(HWND owner, const CListCtrl& list, const DeviceTable& table, int row, IpHelper& ipHelper,
                      std::set<std::uint32_t>& addedAddresses)
{
    const RowTag* tag = table.TagOfRow(row);
    if (!tag)
        return;
    const std::wstring lanIpText = list.GetItemText(row, COL_LAN_IP);
    const std::wstring netmaskText = list.GetItemText(row, COL_LAN_NETMASK);
    const Ipv4Net deviceAddress = Ipv4FromText(lanIpText);
    if (IsRoutedBox(tag->deviceId, deviceAddress)) {
        OpenPageInBrowser(DevicePageAddress(lanIpText));
        return;
    }
    std::uint32_t interfaceIndex = 0;
    if (!LookUpDeviceInterface(tag->deviceId, &interfaceIndex))
        return;

    const Ipv4Net deviceNetmask = Ipv4FromText(netmaskText);
    if (!IsInLocalSubnet(interfaceIndex, deviceAddress & deviceNetmask)) {
        const CWnd ownerWindow(owner);
        if (ownerWindow.MessageBox(LoadResourceString(IDS_SUBNET_WARNING), LoadResourceString(IDS_WARNING_CAPTION).c_str(),
                                   MB_OKCANCEL) != IDOK)
            return;
        if (IsAliasNetmask(deviceNetmask))
            AddAliasAddress(owner, ipHelper, addedAddresses, deviceAddress, deviceNetmask, interfaceIndex);
        else
            ownerWindow.MessageBox(UnusualNetmaskText(deviceNetmask), nullptr, MB_OK | MB_ICONWARNING);
    }
    OpenPageInBrowser(DevicePageAddress(lanIpText));
}
