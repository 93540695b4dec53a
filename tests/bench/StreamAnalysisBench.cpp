// What the recorder's stream analysis costs: CPU seconds per GB of transport stream for the
// analyser alone and for the whole per-arrival work of a recording's health (analysis, lock,
// rate buckets), fed in the slices a socket hands over. Prints figures, asserts nothing;
// tests/bench/record_program.sh runs it beside the program's own figure, which includes it.
//
// usage: orvane_bench analysis [GB]   (default 4)
// Prints one line per slice size:
//   "analysis slice=S health_cpu_s_per_gb=H analyser_cpu_s_per_gb=A continuity_errors=0"
#include "recording/Recording.h"
#include "recording/RecordingHealth.h"
#include "framework/TextCodec.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

double ThreadCpuSeconds()
{
    FILETIME created, exited, kernel, user;
    ::GetThreadTimes(::GetCurrentThread(), &created, &exited, &kernel, &user);
    auto seconds = [](const FILETIME& t) { return (((std::uint64_t)t.dwHighDateTime << 32) | t.dwLowDateTime) / 1e7; };
    return seconds(kernel) + seconds(user);
}

// 64 MiB of clean stream laid out like a box's: per 40 ms, a PAT, a PMT, then video packets
// whose first carries an adaptation field; counters wrap exactly at the end, so the buffer
// can be fed again and again.
std::vector<std::uint8_t> CleanStream()
{
    // A multiple of 32 * 16 packets: every PID's counter wraps exactly.
    constexpr std::size_t PACKETS = 64 * 1024 * 1024 / TS_PACKET_SIZE / 512 * 512;
    std::vector<std::uint8_t> stream(PACKETS * TS_PACKET_SIZE, 0xFF);
    unsigned counters[3] = {0, 0, 0};
    for (std::size_t i = 0; i < PACKETS; ++i) {
        std::uint8_t* packet = stream.data() + i * TS_PACKET_SIZE;
        const unsigned kind = i % 32 == 0 ? 0 : i % 32 == 1 ? 1 : 2;
        const unsigned pid = kind == 0 ? 0 : kind == 1 ? 0x1000 : 0x100;
        const bool adaptation = i % 32 == 2;
        packet[0] = TS_SYNC_BYTE;
        packet[1] = (std::uint8_t)(pid >> 8);
        packet[2] = (std::uint8_t)pid;
        packet[3] = (std::uint8_t)((adaptation ? 0x30 : 0x10) | (counters[kind]++ & 0x0F));
        if (adaptation) {
            packet[4] = 7;
            packet[5] = 0x10;
        }
    }
    return stream;
}

} // namespace

int RunStreamAnalysisBench(int argc, wchar_t** argv)
{
    const double gigabytes = argc > 1 ? std::atof(WideToNarrow(argv[1]).c_str()) : 4.0;
    const std::vector<std::uint8_t> stream = CleanStream();
    const std::uint64_t total = (std::uint64_t)(gigabytes * 1e9);
    // A fast stream's receives (the block's remainder), a slow one's (a few TCP segments).
    for (std::size_t slice : {(std::size_t)RECORD_BLOCK_SIZE, (std::size_t)65536, (std::size_t)1460}) {
        RecordingHealth health(L"bench.ts", 0, RecordingHealth::Clock::now());
        TsContinuity analyser;
        double healthCpu = 0, analyserCpu = 0;
        for (int pass = 0; pass < 2; ++pass) {
            const double before = ThreadCpuSeconds();
            std::uint64_t fed = 0;
            std::size_t at = 0;
            while (fed < total) {
                const std::size_t size = std::min(slice, stream.size() - at);
                if (pass == 0)
                    health.OnArrival(stream.data() + at, size, RecordingHealth::Clock::now());
                else
                    analyser.Feed(stream.data() + at, size);
                fed += size;
                at = at + size == stream.size() ? 0 : at + size;
            }
            (pass == 0 ? healthCpu : analyserCpu) = ThreadCpuSeconds() - before;
        }
        const RecordingHealthSnapshot snapshot = health.Snapshot(RecordingHealth::Clock::now());
        std::printf("analysis slice=%zu health_cpu_s_per_gb=%.3f analyser_cpu_s_per_gb=%.3f continuity_errors=%llu\n",
                    slice, healthCpu / gigabytes, analyserCpu / gigabytes,
                    (unsigned long long)(snapshot.continuityErrors + analyser.ContinuityErrors()));
    }
    std::fflush(stdout);
    return 0;
}
