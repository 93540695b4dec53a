#include "tools/boxsim/ts_stream.h"

#include <algorithm>
#include <map>
#include <mutex>

#include "tools/boxsim/h264_source.h"

namespace {

constexpr std::uint64_t TICKS_PER_FRAME = 90000 / VIDEO_FRAME_RATE;
constexpr std::uint64_t FIRST_PCR = 90000;        // start at one second, as encoders tend to
constexpr std::uint64_t PRESENTATION_DELAY = 9000;  // 100 ms from arrival to display

// Eight groups of pictures; 256 frames keep the PAT and PMT counters (one
// packet per frame each) on a multiple of 16.
constexpr int CYCLE_FRAMES = 8 * FRAMES_PER_GOP;
// An even packet count per frame keeps the video counter on a multiple of 16 too.
constexpr int CYCLE_PACKETS_PER_FRAME = 22;

}  // namespace

void TsStream::AppendFrame(std::vector<std::uint8_t>& out, int minPackets, bool timeDiscontinuity)
{
    writer_.AppendPat(out);
    writer_.AppendPmt(out);
    const std::uint64_t pcr = FIRST_PCR + frameIndex_ * TICKS_PER_FRAME;
    writer_.AppendVideoFrame(out, MakeAccessUnit(frameIndex_, shade_), pcr + PRESENTATION_DELAY, pcr,
                             IsKeyFrame(frameIndex_), timeDiscontinuity, minPackets - 2);
    ++frameIndex_;
}

int PacketsPerFrame(std::uint64_t frameIndex, unsigned rateKbps)
{
    // Whole packets due by the end of this frame minus those due before it, so
    // the rate comes out right on average without drifting.
    const std::uint64_t bytesPerSecond = static_cast<std::uint64_t>(rateKbps) * 1000 / 8;
    const auto dueBy = [&](std::uint64_t frames) {
        return bytesPerSecond * frames / VIDEO_FRAME_RATE / TS_PACKET_SIZE;
    };
    return static_cast<int>(dueBy(frameIndex + 1) - dueBy(frameIndex));
}

std::shared_ptr<const std::vector<std::uint8_t>> RepeatingCycle(std::uint8_t shade)
{
    static std::mutex mutex;
    static std::map<std::uint8_t, std::shared_ptr<const std::vector<std::uint8_t>>> cycles;
    std::lock_guard<std::mutex> lock(mutex);
    auto& cycle = cycles[shade];
    if (!cycle) {
        auto bytes = std::make_shared<std::vector<std::uint8_t>>();
        TsStream stream(shade);
        for (int frame = 0; frame < CYCLE_FRAMES; ++frame) {
            // Key frames may need more packets than the rest; keep them even too.
            int packets = CYCLE_PACKETS_PER_FRAME;
            if (IsKeyFrame(stream.FramesWritten())) {
                const int needed = 2 + TsWriter::PacketsFor(MakeAccessUnit(0, shade).size());
                packets = std::max(packets, needed + (needed & 1));
            }
            stream.AppendFrame(*bytes, packets, frame == 0);
        }
        cycle = bytes;
    }
    return cycle;
}
