// A recording's health as the operator reads it: rate, size, silence and the stream's
// counts, at chosen moments.
#include "recording/RecordingHealth.h"

#include "discovery/Ipv4Text.h"
#include "framework/TextCodec.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using std::chrono::milliseconds;
using Clock = RecordingHealth::Clock;

// A clean packet of PID 0x100 with the given counter.
std::vector<std::uint8_t> Packet(int counter)
{
    std::vector<std::uint8_t> packet(TS_PACKET_SIZE, 0xFF);
    packet[0] = TS_SYNC_BYTE;
    packet[1] = 0x01;
    packet[2] = 0x00;
    packet[3] = (std::uint8_t)(0x10 | (counter & 0x0F));
    return packet;
}

struct HealthAt {
    Clock::time_point start = Clock::now();
    RecordingHealth health{L"C:\\rec\\10.86.1.10_20261211_130512.ts", 1765458312, start};
    Clock::time_point At(int ms) const { return start + milliseconds(ms); }
};

TEST(RecordingHealth, RateCountsOnlyTheLastTenSeconds)
{
    HealthAt h;
    const std::vector<char> megabyte(1000000);
    // 1 MB per second for 5 s, then 2 MB per second.
    const auto arriveUntil = [&](int from, int to) {
        for (int second = from; second < to; ++second)
            for (int i = 0; i < (second < 5 ? 1 : 2); ++i)
                h.health.OnArrival(megabyte.data(), megabyte.size(), h.At(second * 1000 + 500));
    };
    // The window is the 100-ms periods of the last 10 s, the current one included: at 12 s
    // it covers 2.1 .. 12 s, three seconds of 1 MB and seven of 2 MB.
    arriveUntil(0, 12);
    EXPECT_NEAR(h.health.Snapshot(h.At(12000)).rateBitsPerSecond, (3 * 8e6 + 7 * 16e6) / 9.9, 1.0);
    // At 20 s: 10.1 .. 20 s, ten seconds of 2 MB.
    arriveUntil(12, 20);
    EXPECT_NEAR(h.health.Snapshot(h.At(20000)).rateBitsPerSecond, 20 * 8e6 / 9.9, 1.0);
}

TEST(RecordingHealth, FileSizeIsTheWholeBlocksArrived)
{
    HealthAt h;
    const std::vector<char> bytes(RECORD_BLOCK_SIZE / 2 + 100);
    for (int i = 0; i < 7; ++i)
        h.health.OnArrival(bytes.data(), bytes.size(), h.At(100 * i));
    EXPECT_EQ(h.health.Snapshot(h.At(1000)).fileBytes, 3u * RECORD_BLOCK_SIZE);
    EXPECT_EQ(RecordingHealthLines(h.health.Snapshot(h.At(1000)))[1], L"File 10.86.1.10_20261211_130512.ts, 1.6 MB");
}

TEST(RecordingHealth, YoungRecordingRateIsOverItsAge)
{
    HealthAt h;
    const std::vector<char> bytes(250000);
    h.health.OnArrival(bytes.data(), bytes.size(), h.At(100));
    h.health.OnArrival(bytes.data(), bytes.size(), h.At(900));
    EXPECT_NEAR(h.health.Snapshot(h.At(2000)).rateBitsPerSecond, 500000 * 8 / 2.0, 1.0);
}

TEST(RecordingHealth, LinesNameTimeFileRateCountsAndSilenceFromThreeSeconds)
{
    HealthAt h;
    std::vector<std::uint8_t> stream;
    for (int counter = 0; counter < 6; ++counter) {
        const std::vector<std::uint8_t> packet = Packet(counter);
        stream.insert(stream.end(), packet.begin(), packet.end());
    }
    stream[TS_PACKET_SIZE] = 0x00;  // a lost sync, which costs its packet: one gap
    h.health.OnArrival(stream.data(), stream.size(), h.At(1000));

    const std::vector<std::wstring> lines = RecordingHealthLines(h.health.Snapshot(h.At(3999)));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], L"Recording since " + NarrowToWide(FormatLocalTime(1765458312)) + L", for 0:00:03");
    EXPECT_EQ(lines[1], L"File 10.86.1.10_20261211_130512.ts, 0.0 MB");  // no whole block yet
    EXPECT_EQ(lines[2], L"Rate over the last 10 s: 0.00 Mbit/s");  // 1128 bytes in 4 s
    EXPECT_EQ(lines[3], L"Continuity errors: 1, lost sync: 1");

    const std::vector<std::wstring> quiet = RecordingHealthLines(h.health.Snapshot(h.At(4000)));
    ASSERT_EQ(quiet.size(), 5u);
    EXPECT_EQ(quiet[4], L"no data for 3 s");
    EXPECT_EQ(RecordingHealthLines(h.health.Snapshot(h.At(3725000)))[0].substr(lines[0].size() - 7), L"1:02:05");
}

TEST(RecordingHealth, NothingArrivedCountsTheSilenceFromTheStart)
{
    HealthAt h;
    const RecordingHealthSnapshot snapshot = h.health.Snapshot(h.At(7500));
    EXPECT_EQ(snapshot.quiet, milliseconds(7500));
    EXPECT_EQ(snapshot.fileBytes, 0u);
    EXPECT_EQ(RecordingHealthLines(snapshot).back(), L"no data for 7 s");
}

} // namespace
