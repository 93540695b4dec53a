// Which boxes count as across a router: latest answer to a unicast probe and an address
// outside every subnet of the PC's adapters, each adapter masked with its own netmask.
#include "discovery/Ipv4Text.h"
#include "discovery/RoutedBox.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

MIB_IPADDRROW Row(const char* address, const char* netmask, DWORD interfaceIndex)
{
    MIB_IPADDRROW row = {};
    row.dwAddr = Ipv4FromText(address);
    row.dwMask = Ipv4FromText(netmask);
    row.dwIndex = interfaceIndex;
    return row;
}

TEST(RoutedBox, UnicastAnswerOutsideEveryLocalSubnet)
{
    const std::vector<MIB_IPADDRROW> pc = {Row("127.0.0.1", "255.0.0.0", 1), Row("10.86.1.1", "255.255.255.0", 2),
                                           Row("10.86.2.1", "255.255.0.0", 3), Row("0.0.0.0", "0.0.0.0", 4)};
    struct Case {
        bool unicast;
        const char* lanIp;
        bool routed;
    } const CASES[] = {
        {true, "172.30.1.10", true},   // across the router
        {false, "172.30.1.10", false}, // its latest answer came by broadcast
        {true, "10.86.1.10", false},   // a local box found by a search
        {true, "10.86.77.10", false},  // in link 2's /16
        {true, "10.86.0.255", false},  // link 2's /16 holds it too
        {true, "10.87.1.10", true},
        {true, "127.0.0.5", false},    // loopback is a local subnet
        {true, "0.0.0.1", true},       // an unset adapter holds nothing
    };
    for (const Case& c : CASES) {
        SCOPED_TRACE(c.lanIp);
        EXPECT_EQ(IsRoutedBox(c.unicast, Ipv4FromText(c.lanIp), pc), c.routed);
    }
    EXPECT_TRUE(IsRoutedBox(true, Ipv4FromText("10.86.1.10"), {})) << "no readable table: no local subnet";
}

TEST(RoutedBox, AnAnswerCountsForTheInterfaceWhoseSubnetHoldsIt)
{
    const std::vector<MIB_IPADDRROW> pc = {Row("10.86.1.1", "255.255.255.0", 2), Row("10.86.2.1", "255.255.255.0", 3)};
    EXPECT_EQ(InterfaceIndexForAddress(Ipv4FromText("10.86.2.10"), pc, 0), 3u);
    EXPECT_EQ(InterfaceIndexForAddress(Ipv4FromText("10.86.1.200"), pc, 0), 2u);
    EXPECT_EQ(InterfaceIndexForAddress(Ipv4FromText("172.30.1.10"), pc, 0), 0u);
}

} // namespace
