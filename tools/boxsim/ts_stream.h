// The endless transport stream a box sends: one frame period at a time, each
// starting with PAT and PMT (so tables repeat every 40 ms) and then one video
// access unit.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "tools/boxsim/ts_writer.h"

class TsStream {
public:
    explicit TsStream(std::uint8_t shade) : shade_(shade) {}

    // Appends the next frame period of at least minPackets packets, tables included.
    void AppendFrame(std::vector<std::uint8_t>& out, int minPackets, bool timeDiscontinuity = false);

    std::uint64_t FramesWritten() const { return frameIndex_; }

private:
    std::uint8_t shade_;
    std::uint64_t frameIndex_ = 0;
    TsWriter writer_;
};

// Packets per 40 ms frame period that give rateKbps (at least the minimum a frame needs).
int PacketsPerFrame(std::uint64_t frameIndex, unsigned rateKbps);

// About 1 MiB of stream that can be sent again and again: every continuity
// counter and the group of pictures wrap exactly at its end, and its first
// packet flags the time-base jump back to its start. Built once per shade.
std::shared_ptr<const std::vector<std::uint8_t>> RepeatingCycle(std::uint8_t shade);
