// What a box announces about itself, and the announcement it answers a probe with. The program
// only reads announcements; the box simulator (a Linux program) and the tests build them here,
// header-only and without Windows headers, so that both build the same datagram.
#pragma once

#include "discovery/DeviceDatagram.h"

#include <cstdint>
#include <cstring>

struct AnnouncedBox {
    DeviceId id = 0;
    Ipv4Host staticIp = 0;
    Ipv4Host netmask = 0;
    Ipv4Host gateway = 0;
    std::uint8_t mac[6] = {};
    std::uint32_t boardType = 0;
};

// The 184-byte answer to a probe; every byte the box does not fill is zero.
inline DeviceDatagram MakeAnnouncementDatagram(const AnnouncedBox& box)
{
    DeviceDatagram datagram;
    std::memset(&datagram, 0, sizeof datagram);
    datagram.msgType = MSG_ANNOUNCE;
    datagram.deviceId = box.id;
    datagram.boardType = box.boardType;
    datagram.lanStaticIp = box.staticIp;
    datagram.lanNetmask = box.netmask;
    datagram.lanGateway = box.gateway;
    std::memcpy(datagram.mac, box.mac, sizeof box.mac);
    return datagram;
}
