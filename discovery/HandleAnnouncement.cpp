#include "discovery/HandleAnnouncement.h"

#include "discovery/BoardType.h"
#include "framework/TextCodec.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <set>

COrvaneDlg* g_mainDialog = nullptr;
std::map<DeviceId, std::uint32_t, DeviceIdUnsignedLess> DeviceInterfaceMap;
std::recursive_mutex DeviceMapLock;
std::mutex ReplyLock;

namespace {
// The boxes whose latest accepted announcement answered a unicast probe; under DeviceMapLock.
std::set<DeviceId> UnicastAnswerers;
} // namespace

namespace {

std::wstring FormatMac(const std::uint8_t* mac)
{
    wchar_t text[32];
    std::swprintf(text, 32, L"%02x:%02x:%02x:%02x:%02x:%02x", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
    return text;
}

std::wstring AddressCell(Ipv4Host address)
{
    return NarrowToWide(Ipv4HostToText(address));
}

} // namespace

bool LookUpDeviceInterface(DeviceId id, std::uint32_t* interfaceIndex)
{
    std::lock_guard<std::recursive_mutex> lock(DeviceMapLock);
    auto found = DeviceInterfaceMap.find(id);
    if (found == DeviceInterfaceMap.end())
        return false;
    *interfaceIndex = found->second;
    return true;
}

AnnouncementJob MakeAnnouncementJob(const DeviceDatagram& announcement, Ipv4Host source,
                                    std::uint32_t nowSecondsSince1970)
{
    AnnouncementJob job;
    job.deviceId = announcement.deviceId;
    job.cells[COL_ACTIVE_TIME] = NarrowToWide(FormatLocalTime(nowSecondsSince1970));
    job.cells[COL_LAN_IP] = AddressCell(source);
    job.cells[COL_LAN_STATIC_IP] = AddressCell(announcement.lanStaticIp);
    job.cells[COL_LAN_NETMASK] = AddressCell(announcement.lanNetmask);
    job.cells[COL_LAN_GATEWAY] = AddressCell(announcement.lanGateway);
    job.cells[COL_LAN_MAC] = FormatMac(announcement.mac);
    job.cells[COL_DESCRIPTION] = BoardTypeLabel(announcement.boardType);
    return job;
}

bool LatestAnswerWasUnicast(DeviceId id)
{
    std::lock_guard<std::recursive_mutex> lock(DeviceMapLock);
    return UnicastAnswerers.count(id) != 0;
}

namespace {

void AcceptAnnouncement(const void* bytes, int length, std::uint32_t interfaceIndex, Ipv4Host source, bool unicast)
{
    COrvaneDlg* dialog = g_mainDialog;
    if (!IsAcceptedAnnouncement(bytes, length))
        return;
    DeviceDatagram announcement;
    std::memcpy(&announcement, bytes, sizeof announcement);
    {
        std::lock_guard<std::recursive_mutex> lock(DeviceMapLock);
        if (unicast)
            UnicastAnswerers.insert(announcement.deviceId);
        else
            UnicastAnswerers.erase(announcement.deviceId);
    }
    // Replaced as erase then insert in two holds, so no hold spans two map operations; a look-up
    // in between finds no entry and is treated as a box never heard.
    {
        std::lock_guard<std::recursive_mutex> lock(DeviceMapLock);
        DeviceInterfaceMap.erase(announcement.deviceId);
    }
    {
        std::lock_guard<std::recursive_mutex> lock(DeviceMapLock);
        DeviceInterfaceMap.insert({announcement.deviceId, interfaceIndex});
    }
    if (!dialog)
        return;
    AnnouncementJob job = MakeAnnouncementJob(announcement, source, (std::uint32_t)std::time(nullptr));
    job.fromReceiver = true;
    // The receiver goes back to its socket at once; the window thread writes the row soon after.
    QueueAnnouncementFor(*dialog, std::move(job));
}

} // namespace

void HandleAnnouncement(const void* bytes, int length, std::uint32_t interfaceIndex, Ipv4Host source)
{
    AcceptAnnouncement(bytes, length, interfaceIndex, source, false);
}

void HandleUnicastAnnouncement(const void* bytes, int length, std::uint32_t interfaceIndex, Ipv4Host source)
{
    AcceptAnnouncement(bytes, length, interfaceIndex, source, true);
}
