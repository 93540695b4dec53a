#include "discovery/HandleAnnouncement.h"

#include "discovery/BoardType.h"
#include "framework/TextCodec.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <set>

std::mutex ReplyLock;

namespace {

struct DeviceIdUnsignedLess {
    bool operator()(DeviceId a, DeviceId b) const { return (std::uint32_t)a < (std::uint32_t)b; }
};
// DeviceId -> interface index of the scanner that received the box's latest announcement;
// entries are replaced, never removed.
std::map<DeviceId, std::uint32_t, DeviceIdUnsignedLess> DeviceInterfaceMap;
// Guards DeviceInterfaceMap and UnicastAnswerers; taken after ReplyLock, for one map operation
// at a time and never while anything else is called, so it never nests and need not be
// recursive.
std::mutex DeviceMapLock;
// The boxes whose latest accepted announcement answered a unicast probe; under DeviceMapLock.
std::set<DeviceId> UnicastAnswerers;
// Where accepted announcements go; set once when the main window is made.
std::atomic<AnnouncementSink*> RegisteredSink{nullptr};

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

void RegisterAnnouncementSink(AnnouncementSink* sink)
{
    RegisteredSink = sink;
}

bool LookUpDeviceInterface(DeviceId id, std::uint32_t* interfaceIndex)
{
    std::lock_guard<std::mutex> lock(DeviceMapLock);
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
    std::lock_guard<std::mutex> lock(DeviceMapLock);
    return UnicastAnswerers.count(id) != 0;
}

namespace {

void AcceptAnnouncement(const void* bytes, int length, std::uint32_t interfaceIndex, Ipv4Host source, bool unicast)
{
    AnnouncementSink* sink = RegisteredSink;
    if (!IsAcceptedAnnouncement(bytes, length))
        return;
    DeviceDatagram announcement;
    std::memcpy(&announcement, bytes, sizeof announcement);
    {
        std::lock_guard<std::mutex> lock(DeviceMapLock);
        if (unicast)
            UnicastAnswerers.insert(announcement.deviceId);
        else
            UnicastAnswerers.erase(announcement.deviceId);
    }
    // Replaced as erase then insert in two holds, so no hold spans two map operations; a look-up
    // in between finds no entry and is treated as a box never heard.
    {
        std::lock_guard<std::mutex> lock(DeviceMapLock);
        DeviceInterfaceMap.erase(announcement.deviceId);
    }
    {
        std::lock_guard<std::mutex> lock(DeviceMapLock);
        DeviceInterfaceMap.insert({announcement.deviceId, interfaceIndex});
    }
    if (!sink)
        return;
    AnnouncementJob job = MakeAnnouncementJob(announcement, source, (std::uint32_t)std::time(nullptr));
    job.fromReceiver = true;
    // The receiver goes back to its socket at once; the window thread writes the row soon after.
    sink->AcceptAnnouncement(std::move(job));
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
