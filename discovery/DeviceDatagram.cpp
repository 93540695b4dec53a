#include "discovery/DeviceDatagram.h"

#include <cstring>

DeviceDatagram MakeProbe()
{
    DeviceDatagram probe;
    std::memset(&probe, 0, sizeof probe);
    probe.msgType = MSG_PROBE;
    return probe;
}

bool IsAcceptedAnnouncement(const void* bytes, int length)
{
    if (length != DATAGRAM_SIZE)
        return false;
    std::uint32_t type;
    std::memcpy(&type, bytes, sizeof type);
    return type == MSG_ANNOUNCE;
}
