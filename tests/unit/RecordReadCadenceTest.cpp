// How often a body read hands control back to the recorder (which then looks at its disk):
// the deadlines' rules with times passed in, and the real reader on loopback connections
// from boxes that send fast, trickle, or fall silent.
#include "tests/unit/RecordTestSupport.h"

#include "discovery/NetSocket.h"
#include "recording/StreamReceiver.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <vector>

using namespace recordtest;

namespace {

using Clock = ReadDeadlines::Clock;
using Next = ReadDeadlines::Next;
using std::chrono::milliseconds;

enum class Event { READ_BEGINS, BYTES, TIME_OUT };

struct Step {
    int atMs;
    Event event;
    Next expected;  // after a receive; ignored for READ_BEGINS
};

struct DeadlineCase {
    const char* name;
    std::vector<Step> steps;
};

// Silence limit 1500 ms, period 1000 ms, receive slice 250 ms: a read hands control back once
// 750 ms have passed, and a receive then ends within 250 ms.
TEST(RecordReadDeadlines, BackWithinThePeriodAndSilentOnlyAfterTheLimitSinceTheLastArrival)
{
    const Event B = Event::READ_BEGINS, BYTES = Event::BYTES, NONE = Event::TIME_OUT;
    const Next ON = Next::RECEIVE, BACK = Next::RETURN, SILENT = Next::SILENT;
    const DeadlineCase cases[] = {
        {"fast: bytes at once never hand control back early", {{0, B, ON}, {1, BYTES, ON}, {2, BYTES, ON}, {700, BYTES, ON}}},
        {"trickle: back once less than a slice is left", {{0, B, ON}, {100, BYTES, ON}, {749, BYTES, ON}, {750, BYTES, BACK}}},
        {"each read has its own period",
         {{0, B, ON}, {740, BYTES, ON}, {745, B, ON}, {1400, BYTES, ON}, {1494, BYTES, ON}, {1495, BYTES, BACK}}},
        {"silent box: time-outs hand control back, then silence",
         {{0, B, ON}, {250, NONE, ON}, {500, NONE, ON}, {750, NONE, BACK}, {760, B, ON}, {1010, NONE, ON}, {1260, NONE, ON},
          {1499, NONE, ON}, {1500, NONE, SILENT}}},
        {"silence counts from the last arrival, not the time-outs",
         {{0, B, ON}, {700, BYTES, ON}, {950, NONE, BACK}, {960, B, ON}, {1210, NONE, ON}, {1460, NONE, ON},
          {1710, NONE, BACK}, {1720, B, ON}, {1970, NONE, ON}, {2199, NONE, ON}, {2200, NONE, SILENT}}},
        {"bytes after the silence limit are no silence", {{0, B, ON}, {1200, NONE, BACK}, {1300, B, ON}, {1600, BYTES, ON}}},
    };
    const Clock::time_point start{};
    for (const DeadlineCase& c : cases) {
        SCOPED_TRACE(c.name);
        ReadDeadlines deadlines(milliseconds(1500), milliseconds(1000), milliseconds(250), start);
        for (const Step& step : c.steps) {
            const Clock::time_point at = start + milliseconds(step.atMs);
            if (step.event == Event::READ_BEGINS)
                deadlines.ReadBegins(at);
            else
                EXPECT_EQ(deadlines.AfterReceive(at, step.event == Event::BYTES), step.expected) << "at " << step.atMs;
        }
    }
}

constexpr int READ_SIZE = 16384;
constexpr int TEST_SILENCE_LIMIT_MS = 2500;

// Sends the body pattern in slices of sliceBytes every periodMs, count slices (0: until the
// client goes), then waits silently for the client to go. Chunked: each slice is one chunk.
void Trickle(PeerConnection& peer, bool chunked, std::size_t sliceBytes, int periodMs, int count)
{
    std::uint64_t offset = 0;
    for (int i = 0; count == 0 || i < count; ++i) {
        char line[32];
        std::snprintf(line, sizeof line, "%zx\r\n", sliceBytes);
        if ((chunked && !peer.Send(line)) || !peer.SendPattern(offset, sliceBytes) || (chunked && !peer.Send("\r\n")))
            return;
        offset += sliceBytes;
        if (periodMs > 0)
            ::Sleep((DWORD)periodMs);
    }
    peer.WaitForClientClose(20000);
}

struct ReadCase {
    const char* name;
    int loopbackHost;
    bool chunked;
    ScriptedPeer::Script peer;
    // Expected: this many whole blocks, with or without reads that hand control back before
    // their block is whole, and then the end (OK: no end, the test stops reading).
    int wholeBlocks;
    bool waits;
    ReceiveStatus end;
};

// Blocks of 16 KiB from a box that sends 1 KiB every 100 ms take 1.6 s each: the read hands
// control back within a second meanwhile, keeps what arrived, and the blocks are the body.
TEST(RecordReadCadence, ReadsReturnWithinASecondWhileTheBoxIsSlowOrSilent)
{
    SocketStartup();
    const ReadCase cases[] = {
        {"fast box", 60, false, [](PeerConnection& p) { Trickle(p, false, 65536, 0, 0); }, 3, false, ReceiveStatus::OK},
        {"trickling box", 61, false, [](PeerConnection& p) { Trickle(p, false, 1024, 100, 0); }, 2, true,
         ReceiveStatus::OK},
        {"trickling chunked box", 62, true, [](PeerConnection& p) { Trickle(p, true, 1024, 100, 0); }, 2, true,
         ReceiveStatus::OK},
        {"box that falls silent", 63, false, [](PeerConnection& p) { Trickle(p, false, 4096, 0, 1); }, 0, true,
         ReceiveStatus::SILENT},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string host = "127.0.0." + std::to_string(c.loopbackHost);
        ScriptedPeer peer(host, STREAM_PORT, {c.peer});
        ASSERT_TRUE(peer.Listening());
        NetSocket socket(::socket(AF_INET, SOCK_STREAM, 0));
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_port = ::htons(STREAM_PORT);
        address.sin_addr.s_addr = ::inet_addr(host.c_str());
        ASSERT_EQ(::connect(socket.Handle(), reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        SendAll(socket.Handle(), STREAM_REQUEST, STREAM_REQUEST_SIZE);

        const Clock::time_point start = Clock::now();
        BodyReader reader(socket.Handle(), c.chunked, "", TEST_SILENCE_LIMIT_MS);
        std::vector<char> block(READ_SIZE);
        std::vector<unsigned char> body;
        int wholeBlocks = 0;
        bool waited = false;
        ReceiveStatus end = ReceiveStatus::OK;
        milliseconds longestCall(0);
        for (int calls = 0; calls < 20 && end == ReceiveStatus::OK && !(c.end == end && wholeBlocks == c.wholeBlocks);
             ++calls) {
            const Clock::time_point called = Clock::now();
            const ReceiveStatus status = reader.ReadBlock(block.data(), READ_SIZE);
            longestCall = std::max(longestCall, std::chrono::duration_cast<milliseconds>(Clock::now() - called));
            if (status == ReceiveStatus::OK) {
                ++wholeBlocks;
                body.insert(body.end(), block.begin(), block.end());
            } else if (status == ReceiveStatus::WAITING) {
                waited = true;
            } else {
                end = status;
            }
        }
        EXPECT_EQ(wholeBlocks, c.wholeBlocks);
        EXPECT_EQ(waited, c.waits);
        EXPECT_EQ((int)end, (int)c.end) << "OK 0, WAITING 1, CLOSED 2, FAILED 3, SILENT 4";
        // A period of 1 s; the rest is room for a loaded machine, far below a slow block's time.
        EXPECT_LE(longestCall.count(), 1300) << "a read held the recorder too long";
        if (c.end == ReceiveStatus::SILENT) {
            const auto silentAfter = std::chrono::duration_cast<milliseconds>(Clock::now() - start).count();
            EXPECT_GE(silentAfter, TEST_SILENCE_LIMIT_MS) << "silent before the limit";
            EXPECT_LE(silentAfter, TEST_SILENCE_LIMIT_MS + 1000) << "silence noticed late";
        }
        EXPECT_EQ(FirstPatternMismatch(body), -1) << "the blocks are the body, bytes kept across waits";
        socket.ShutdownAndClose();
        EXPECT_TRUE(peer.WaitAllDone(1, 10000));
    }
}

} // namespace
