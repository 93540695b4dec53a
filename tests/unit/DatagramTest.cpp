#include "discovery/DeviceDatagram.h"

#include <gtest/gtest.h>

TEST(Datagram, ProbeIsTypeThenZeros)
{
    DeviceDatagram probe = MakeProbe();
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&probe);
    EXPECT_EQ(bytes[0], 0x64);
    for (int i = 1; i < DATAGRAM_SIZE; ++i)
        ASSERT_EQ(bytes[i], 0) << "offset " << i;
}
