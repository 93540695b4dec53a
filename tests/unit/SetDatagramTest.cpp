// The set command's bytes on the wire.
#include "config/SetCommand.h"
#include "discovery/Ipv4Text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

std::vector<unsigned char> Bytes(const DeviceDatagram& datagram)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(&datagram);
    return std::vector<unsigned char>(p, p + DATAGRAM_SIZE);
}

TEST(SetDatagram, CarriesTypeIdCurrentAndNewAddressesButNoGateway)
{
    DeviceDatagram datagram =
        MakeSetNetworkDatagram(-2, Ipv4FromText("192.168.1.10"), Ipv4FromText("255.255.0.0"), Ipv4FromText("10.0.0.7"),
                               Ipv4FromText("255.255.255.0"), Ipv4FromText("10.0.0.1"), "00:1a:2b:3c:4d:5e");
    std::vector<unsigned char> expected(DATAGRAM_SIZE, 0);
    const unsigned char fields[][5] = {
        // offset, then the four bytes
        {0, 0x66, 0x00, 0x00, 0x00},   // 102
        {4, 0xFE, 0xFF, 0xFF, 0xFF},   // id -2
        {12, 0x0A, 0x01, 0xA8, 0xC0},  // current 192.168.1.10
        {16, 0x00, 0x00, 0xFF, 0xFF},  // current 255.255.0.0
        {24, 0x07, 0x00, 0x00, 0x0A},  // new 10.0.0.7
        {28, 0x00, 0xFF, 0xFF, 0xFF},  // new 255.255.255.0
        {32, 0x01, 0x00, 0x00, 0x0A},  // new gateway 10.0.0.1
    };
    for (const auto& field : fields)
        std::memcpy(&expected[field[0]], &field[1], 4);
    const unsigned char mac[] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
    std::memcpy(&expected[44], mac, 6);
    EXPECT_EQ(Bytes(datagram), expected);
}

struct MacCase {
    const char* text;
    unsigned char bytes[6];
};

TEST(SetDatagram, ParsesTheMacUpToTheFirstGroupThatDoesNotMatch)
{
    const MacCase cases[] = {
        {"00:11:22:33:44:55", {0x00, 0x11, 0x22, 0x33, 0x44, 0x55}},
        {"AA:bb:Cc:dd:EE:ff", {0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF}},
        {"00:11:22", {0x00, 0x11, 0x22, 0, 0, 0}},
        {"02:00:00:00:0a", {0x02, 0x00, 0x00, 0x00, 0x0A, 0}},
        {"00:11:zz:33:44:55", {0x00, 0x11, 0, 0, 0, 0}},
        {"00-11-22-33-44-55", {0x00, 0, 0, 0, 0, 0}},
        {"", {0, 0, 0, 0, 0, 0}},
    };
    for (const MacCase& c : cases) {
        DeviceDatagram datagram = MakeSetNetworkDatagram(1, 0, 0, 0, 0, 0, c.text);
        EXPECT_EQ(std::vector<unsigned char>(datagram.mac, datagram.mac + 6),
                  std::vector<unsigned char>(c.bytes, c.bytes + 6))
            << c.text;
        EXPECT_EQ(datagram.reserved2[0], 0) << c.text << ": nothing written past the MAC";
    }
}

} // namespace
