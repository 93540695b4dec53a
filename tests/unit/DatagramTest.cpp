#include "discovery/BoardType.h"
#include "discovery/DeviceDatagram.h"
#include "discovery/HandleAnnouncement.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <functional>
#include <vector>

namespace {

std::vector<unsigned char> Bytes(const DeviceDatagram& datagram)
{
    const unsigned char* data = reinterpret_cast<const unsigned char*>(&datagram);
    return std::vector<unsigned char>(data, data + sizeof datagram);
}

Ipv4Host Host(unsigned a, unsigned b, unsigned c, unsigned d)
{
    return a << 24 | b << 16 | c << 8 | d;
}

} // namespace

TEST(Datagram, ProbeIsTypeThenZeros)
{
    DeviceDatagram probe = MakeProbe();
    std::vector<unsigned char> bytes = Bytes(probe);
    ASSERT_EQ(bytes.size(), 184u);
    std::vector<unsigned char> expected(184, 0);
    expected[0] = 0x64;
    EXPECT_EQ(bytes, expected);
}

// Each field written alone lands at its offset in the little-endian wire form; every other
// byte stays zero.
TEST(Datagram, FieldsLandAtTheirOffsets)
{
    struct Case {
        const char* field;
        std::function<void(DeviceDatagram&)> write;
        int offset;
        std::vector<unsigned char> bytes;
    };
    const Case cases[] = {
        {"msgType announce", [](DeviceDatagram& d) { d.msgType = MSG_ANNOUNCE; }, 0, {0x65, 0, 0, 0}},
        {"msgType set", [](DeviceDatagram& d) { d.msgType = MSG_SET_NETWORK; }, 0, {0x66, 0, 0, 0}},
        {"deviceId -1", [](DeviceDatagram& d) { d.deviceId = -1; }, 4, {0xFF, 0xFF, 0xFF, 0xFF}},
        {"deviceId 7", [](DeviceDatagram& d) { d.deviceId = 7; }, 4, {7, 0, 0, 0}},
        {"boardType 1302", [](DeviceDatagram& d) { d.boardType = 1302; }, 8, {0x16, 0x05, 0, 0}},
        {"lanStaticIp 192.168.1.10", [](DeviceDatagram& d) { d.lanStaticIp = Host(192, 168, 1, 10); }, 12,
         {0x0A, 0x01, 0xA8, 0xC0}},
        {"lanNetmask 255.255.255.0", [](DeviceDatagram& d) { d.lanNetmask = Host(255, 255, 255, 0); }, 16,
         {0x00, 0xFF, 0xFF, 0xFF}},
        {"lanGateway 10.0.0.1", [](DeviceDatagram& d) { d.lanGateway = Host(10, 0, 0, 1); }, 20, {1, 0, 0, 0x0A}},
        {"newStaticIp 10.0.0.7", [](DeviceDatagram& d) { d.newStaticIp = Host(10, 0, 0, 7); }, 24, {7, 0, 0, 0x0A}},
        {"newNetmask 255.255.255.0", [](DeviceDatagram& d) { d.newNetmask = Host(255, 255, 255, 0); }, 28,
         {0x00, 0xFF, 0xFF, 0xFF}},
        {"newGateway 10.0.0.1", [](DeviceDatagram& d) { d.newGateway = Host(10, 0, 0, 1); }, 32, {1, 0, 0, 0x0A}},
        {"mac in display order",
         [](DeviceDatagram& d) {
             const unsigned char mac[6] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
             std::memcpy(d.mac, mac, 6);
         },
         44, {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}},
    };
    for (const Case& c : cases) {
        DeviceDatagram datagram;
        std::memset(&datagram, 0, sizeof datagram);
        c.write(datagram);
        std::vector<unsigned char> expected(184, 0);
        std::copy(c.bytes.begin(), c.bytes.end(), expected.begin() + c.offset);
        EXPECT_EQ(Bytes(datagram), expected) << c.field;
    }
}

// Exactly 184 bytes whose first four read as 101; nothing else is looked at.
TEST(Datagram, AcceptanceRule)
{
    struct Case {
        int length;
        unsigned char type[4];
        bool accepted;
    };
    const Case cases[] = {
        {184, {0x65, 0, 0, 0}, true},
        {183, {0x65, 0, 0, 0}, false},
        {185, {0x65, 0, 0, 0}, false},
        {0, {0x65, 0, 0, 0}, false},
        {4, {0x65, 0, 0, 0}, false},
        {2048, {0x65, 0, 0, 0}, false},
        {184, {0x65, 0, 0, 0x01}, false},
        {184, {0, 0, 0, 0x65}, false},
        {184, {0x64, 0, 0, 0}, false},  // a probe coming back
        {184, {0x66, 0, 0, 0}, false},  // a set command coming back
        {184, {0, 0, 0, 0}, false},
    };
    for (const Case& c : cases) {
        std::vector<unsigned char> buffer(2048, 0xA5);  // the rest of the body does not matter
        std::memcpy(buffer.data(), c.type, 4);
        EXPECT_EQ(IsAcceptedAnnouncement(buffer.data(), c.length), c.accepted)
            << "length " << c.length << " type bytes " << (int)c.type[0] << " " << (int)c.type[1] << " "
            << (int)c.type[2] << " " << (int)c.type[3];
    }
}

// The cells an announcement writes, built from wire bytes rather than from the struct, so that
// a layout or byte-order slip on either side shows.
TEST(Datagram, AnnouncementCellsFromWireBytes)
{
    unsigned char wire[184] = {};
    const unsigned char fields[][2] = {
        // offset, byte
        {0, 0x65},
        {4, 0xFF}, {5, 0xFF}, {6, 0xFF}, {7, 0xFF},        // deviceId -1
        {8, 0x16}, {9, 0x05},                              // boardType 1302
        {12, 0x0A}, {13, 0x01}, {14, 0xA8}, {15, 0xC0},    // 192.168.1.10
        {16, 0x00}, {17, 0xFF}, {18, 0xFF}, {19, 0xFF},    // 255.255.255.0
        // gateway: all zero
        {24, 0x07}, {28, 0x01}, {36, 0x99}, {43, 0x99},    // never read by an announcement
        {44, 0x00}, {45, 0x1A}, {46, 0x2B}, {47, 0x3C}, {48, 0x4D}, {49, 0x5E},
        {50, 0x77}, {183, 0x77},                           // never read
    };
    for (const auto& field : fields)
        wire[field[0]] = field[1];
    ASSERT_TRUE(IsAcceptedAnnouncement(wire, 184));

    std::tm local = {};
    local.tm_year = 2024 - 1900;
    local.tm_mon = 5;
    local.tm_mday = 17;
    local.tm_hour = 9;
    local.tm_min = 5;
    local.tm_sec = 3;
    local.tm_isdst = -1;
    std::time_t moment = std::mktime(&local);
    ASSERT_NE(moment, (std::time_t)-1);

    DeviceDatagram announcement;
    std::memcpy(&announcement, wire, sizeof announcement);
    AnnouncementJob job = MakeAnnouncementJob(announcement, Host(10, 86, 1, 14), (std::uint32_t)moment);

    EXPECT_EQ(job.deviceId, -1);
    EXPECT_EQ(job.cells[COL_ACTIVE_TIME], L"09:05:03");
    EXPECT_EQ(job.cells[COL_LAN_IP], L"10.86.1.14");
    EXPECT_EQ(job.cells[COL_LAN_STATIC_IP], L"192.168.1.10");
    EXPECT_EQ(job.cells[COL_LAN_NETMASK], L"255.255.255.0");
    EXPECT_EQ(job.cells[COL_LAN_GATEWAY], L"0.0.0.0");
    EXPECT_EQ(job.cells[COL_LAN_MAC], L"00:1a:2b:3c:4d:5e");
    EXPECT_EQ(job.cells[COL_DESCRIPTION], BoardTypeLabel(1302));
}
