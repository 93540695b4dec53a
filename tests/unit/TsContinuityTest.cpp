// The recorder's stream analysis: continuity errors and losses of sync counted on crafted
// transport streams, fed in every slicing a socket may deliver.
#include "recording/TsContinuity.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint16_t VIDEO = 0x100;
constexpr std::uint16_t AUDIO = 0x101;

struct PacketFields {
    std::uint16_t pid;
    int counter;
    bool payload = true;
    bool adaptation = false;
    bool discontinuity = false;
    std::uint8_t sync = TS_SYNC_BYTE;
};

// One packet. Its payload holds one 0x47 at a place that moves from packet to packet, as
// a sync byte look-alike for the search after a loss.
void Append(Bytes& out, const PacketFields& fields)
{
    Bytes packet(TS_PACKET_SIZE, 0xFF);
    packet[20 + fields.counter * 13 % 150] = TS_SYNC_BYTE;
    packet[0] = fields.sync;
    packet[1] = (std::uint8_t)(fields.pid >> 8 & 0x1F);
    packet[2] = (std::uint8_t)fields.pid;
    const int control = (fields.adaptation || fields.discontinuity ? 2 : 0) | (fields.payload ? 1 : 0);
    packet[3] = (std::uint8_t)(control << 4 | (fields.counter & 0x0F));
    if (control & 2) {
        packet[4] = fields.payload ? 7 : 183;  // adaptation field length
        packet[5] = fields.discontinuity ? 0x80 : 0x00;
        std::fill(packet.begin() + 6, packet.begin() + 5 + packet[4], 0xFF);
    }
    out.insert(out.end(), packet.begin(), packet.end());
}

// Packets of pid with counters from first, count of them.
void AppendRun(Bytes& out, std::uint16_t pid, int first, int count)
{
    for (int i = 0; i < count; ++i)
        Append(out, {pid, first + i});
}

struct Counts {
    std::uint64_t continuityErrors;
    std::uint64_t syncLosses;
};

Counts Analyse(const Bytes& stream, std::size_t slice)
{
    TsContinuity analysis;
    for (std::size_t at = 0; at < stream.size(); at += slice)
        analysis.Feed(stream.data() + at, std::min(slice, stream.size() - at));
    return {analysis.ContinuityErrors(), analysis.SyncLosses()};
}

struct StreamCase {
    const char* name;
    Bytes stream;
    Counts expected;
};

std::vector<StreamCase> Cases()
{
    std::vector<StreamCase> cases;
    Bytes s;

    AppendRun(s, VIDEO, 0, 40);  // wraps the counter twice
    AppendRun(s, AUDIO, 5, 3);
    cases.push_back({"clean, counters wrap", s, {0, 0}});

    s.clear();
    AppendRun(s, VIDEO, 0, 5);
    AppendRun(s, VIDEO, 8, 5);   // 5..7 dropped: one gap, one error
    AppendRun(s, AUDIO, 0, 20);  // the other PID stays clean
    AppendRun(s, VIDEO, 14, 3);  // 13 dropped
    cases.push_back({"drops on one PID", s, {2, 0}});

    s.clear();
    AppendRun(s, VIDEO, 0, 4);
    Append(s, {VIDEO, 3});
    AppendRun(s, VIDEO, 4, 4);
    cases.push_back({"one duplicate is allowed", s, {0, 0}});

    s.clear();
    AppendRun(s, VIDEO, 0, 4);
    Append(s, {VIDEO, 3});
    Append(s, {VIDEO, 3});
    AppendRun(s, VIDEO, 4, 4);
    cases.push_back({"a second duplicate is an error", s, {1, 0}});

    s.clear();
    AppendRun(s, VIDEO, 0, 4);
    Append(s, {VIDEO, 11, true, true, true});
    AppendRun(s, VIDEO, 12, 4);
    cases.push_back({"the discontinuity indicator allows a jump", s, {0, 0}});

    s.clear();
    AppendRun(s, VIDEO, 0, 4);
    Append(s, {VIDEO, 11, true, true, false});
    AppendRun(s, VIDEO, 12, 4);
    cases.push_back({"an adaptation field without the indicator does not", s, {1, 0}});

    s.clear();
    AppendRun(s, VIDEO, 0, 3);
    Append(s, {TS_NULL_PID, 9});
    Append(s, {TS_NULL_PID, 2});
    AppendRun(s, VIDEO, 3, 3);
    cases.push_back({"null packets are not counted", s, {0, 0}});

    s.clear();
    AppendRun(s, VIDEO, 0, 3);
    Append(s, {VIDEO, 2, false, true});  // adaptation only: the counter stays
    Append(s, {VIDEO, 2, false, true});
    AppendRun(s, VIDEO, 3, 3);
    cases.push_back({"packets without payload do not advance the counter", s, {0, 0}});

    s.clear();
    AppendRun(s, VIDEO, 0, 3);
    Append(s, {TS_NULL_PID, 0, true, false, false, 0x00});
    AppendRun(s, VIDEO, 3, 5);
    cases.push_back({"a broken sync byte on a null packet: one loss, nothing missing", s, {0, 1}});

    s.clear();
    AppendRun(s, VIDEO, 0, 3);
    Append(s, {VIDEO, 3, true, false, false, 0x46});
    AppendRun(s, VIDEO, 4, 5);
    cases.push_back({"a broken sync byte on a video packet: that packet is lost too", s, {1, 1}});

    s.clear();
    AppendRun(s, VIDEO, 0, 3);
    for (int i = 0; i < 61; ++i)  // bytes that do not make packets, sync bytes among them
        s.push_back(i % 2 ? TS_SYNC_BYTE : 0x00);
    AppendRun(s, VIDEO, 3, 5);
    s.insert(s.end(), {0x00, 0x47, 0x12});
    AppendRun(s, VIDEO, 8, 5);
    cases.push_back({"stray bytes between packets: two losses, no packet missing", s, {0, 2}});

    s.clear();
    AppendRun(s, VIDEO, 0, 3);
    s.resize(s.size() - 100);  // the end of a packet went missing
    AppendRun(s, VIDEO, 4, 5);
    cases.push_back({"a cut packet", s, {1, 1}});

    s.clear();
    AppendRun(s, VIDEO, 0, 3);
    s.insert(s.end(), 5000, 0x00);
    AppendRun(s, VIDEO, 3, 3);
    cases.push_back({"a long stretch of garbage is one loss", s, {0, 1}});

    return cases;
}

// 1 byte at a time, odd sizes around a packet, and the recorder's block.
const std::size_t SLICES[] = {1, 7, 187, 188, 189, 1000, 524288};

TEST(TsContinuity, CountsWhatEachCraftedStreamHoldsInEverySlicing)
{
    for (const StreamCase& c : Cases()) {
        for (std::size_t slice : SLICES) {
            SCOPED_TRACE(std::string(c.name) + ", slices of " + std::to_string(slice));
            const Counts counts = Analyse(c.stream, slice);
            EXPECT_EQ(counts.continuityErrors, c.expected.continuityErrors);
            EXPECT_EQ(counts.syncLosses, c.expected.syncLosses);
        }
    }
}

TEST(TsContinuity, StaysOutOfStepUntilThreeSyncBytesAreInStep)
{
    Bytes s;
    AppendRun(s, VIDEO, 0, 2);
    s.push_back(0x00);  // sync lost here
    Append(s, {VIDEO, 2});
    Append(s, {VIDEO, 3});
    TsContinuity analysis;
    analysis.Feed(s.data(), s.size());
    // Two packets in step are not yet enough: nothing after the loss has been analysed.
    EXPECT_EQ(analysis.SyncLosses(), 1u);
    EXPECT_EQ(analysis.ContinuityErrors(), 0u);
    Bytes more;
    Append(more, {VIDEO, 4});
    Append(more, {VIDEO, 9});
    analysis.Feed(more.data(), more.size());
    EXPECT_EQ(analysis.SyncLosses(), 1u);
    EXPECT_EQ(analysis.ContinuityErrors(), 1u);  // 4 -> 9, so 2..4 were analysed again
}

} // namespace
