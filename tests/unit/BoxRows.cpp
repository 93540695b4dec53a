#include "tests/unit/BoxRows.h"

#include "app/AppMessages.h"
#include "discovery/HandleAnnouncement.h"
#include "discovery/Ipv4Text.h"
#include "framework/TextCodec.h"

#include <cstdio>
#include <ctime>
#include <initializer_list>
#include <utility>

DeviceDatagram AnnouncementOf(const TestBox& box)
{
    AnnouncedBox values;
    values.id = box.id;
    values.staticIp = HostAddress(box.staticIp);
    values.netmask = HostAddress(box.netmask);
    values.gateway = HostAddress(box.gateway);
    unsigned m[6] = {};
    std::sscanf(box.mac.c_str(), "%x:%x:%x:%x:%x:%x", &m[0], &m[1], &m[2], &m[3], &m[4], &m[5]);
    for (int i = 0; i < 6; ++i)
        values.mac[i] = (std::uint8_t)m[i];
    values.boardType = 100;
    return MakeAnnouncementDatagram(values);
}

int PutBoxRow(const TestBox& box, Delivery delivery)
{
    COrvaneDlg& dialog = MainDialog();
    const DeviceDatagram datagram = AnnouncementOf(box);
    if (delivery.asReceiver) {
        // Receivers only queue under the lock and never wait for this thread.
        HandleLikeAReceiver(&datagram, DATAGRAM_SIZE, delivery.interfaceIndex, HostAddress(box.lanIp));
        WaitForQueuedAnnouncements();
        return RowOf(dialog.DeviceListCtrl(), box.id);
    }
    AnnouncementJob job = MakeAnnouncementJob(datagram, HostAddress(box.lanIp), (std::uint32_t)std::time(nullptr));
    for (const auto& address : {std::make_pair(COL_LAN_IP, &box.lanIp), std::make_pair(COL_LAN_STATIC_IP, &box.staticIp)}) {
        if (Ipv4HostToText(HostAddress(*address.second)) != *address.second)
            job.cells[address.first] = NarrowToWide(*address.second);
    }
    return (int)::SendMessageW(dialog.GetSafeHwnd(), WM_APP_ANNOUNCEMENT, 0, reinterpret_cast<LPARAM>(&job));
}
