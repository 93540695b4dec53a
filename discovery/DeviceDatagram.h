// The one record of the discovery protocol: a fixed 184-byte UDP payload.
// Pure C++ on purpose: the box simulator (a Linux program) shares it.
#pragma once

#include <cstddef>
#include <cstdint>

using DeviceId = std::int32_t;   // signed box identifier
using Ipv4Host = std::uint32_t;  // a<<24 | b<<16 | c<<8 | d for a.b.c.d
using Ipv4Net = std::uint32_t;   // the same address in network byte order

constexpr int DATAGRAM_SIZE = 184;
constexpr unsigned short DISCOVERY_PORT = 34462;

enum : std::uint32_t {
    MSG_PROBE = 100,
    MSG_ANNOUNCE = 101,
    MSG_SET_NETWORK = 102,
};

// Every field is little-endian on the wire; the hosts we run on are little-endian,
// so the struct is the wire image. Address fields hold Ipv4Host numbers.
#pragma pack(push, 1)
struct DeviceDatagram {
    std::uint32_t msgType;
    std::int32_t deviceId;
    std::uint32_t boardType;
    std::uint32_t lanStaticIp;
    std::uint32_t lanNetmask;
    std::uint32_t lanGateway;
    std::uint32_t newStaticIp;
    std::uint32_t newNetmask;
    std::uint32_t newGateway;
    std::uint8_t reserved1[8];
    std::uint8_t mac[6];
    std::uint8_t reserved2[134];
};
#pragma pack(pop)

static_assert(sizeof(DeviceDatagram) == DATAGRAM_SIZE, "wire size");
static_assert(offsetof(DeviceDatagram, newStaticIp) == 24, "wire layout");
static_assert(offsetof(DeviceDatagram, mac) == 44, "wire layout");

// A zero-filled probe (type 100, nothing else).
DeviceDatagram MakeProbe();

// True when the bytes are an announcement the system accepts: exactly 184 bytes of type 101.
bool IsAcceptedAnnouncement(const void* bytes, int length);
