// Recording throughput: the real recorder (Recorder, recording/Recorder.h), one thread per box,
// fetching the boxes' streams for a fixed time. Prints figures, asserts nothing; run by
// tests/bench/record_throughput.sh inside the test LAN (it fetches from the box simulator).
//
// usage: orvane_bench record HOST[,HOST...] SECONDS FOLDER [PORT]
// Prints one line: "recorder boxes=N seconds=S bytes=B mbps=M cpu_s=C"
// (bytes written to the files while measuring, MB/s with MB = 10^6 bytes, CPU seconds of
// this process in that time).
#include "app/OrvaneDlg.h"
#include "discovery/NetSocket.h"
#include "framework/TextCodec.h"
#include "recording/Recorder.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

std::int64_t FileSize(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return ((std::int64_t)data.nFileSizeHigh << 32) | data.nFileSizeLow;
}

std::int64_t TotalSize(const std::vector<std::string>& paths)
{
    std::int64_t total = 0;
    for (const std::string& path : paths)
        total += FileSize(path);
    return total;
}

double ProcessCpuSeconds()
{
    FILETIME created, exited, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto seconds = [](const FILETIME& t) { return (((std::uint64_t)t.dwHighDateTime << 32) | t.dwLowDateTime) / 1e7; };
    return seconds(kernel) + seconds(user);
}

std::vector<std::string> Split(const std::string& text)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        std::size_t comma = text.find(',', start);
        parts.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos)
            return parts;
        start = comma + 1;
    }
}

} // namespace

int RunRecordBench(int argc, wchar_t** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: orvane_bench record HOST[,HOST...] SECONDS FOLDER [PORT]\n");
        return 2;
    }
    const std::vector<std::string> hosts = Split(WideToNarrow(argv[1]));
    const double seconds = std::atof(WideToNarrow(argv[2]).c_str());
    const std::string folder = WideToNarrow(argv[3]);
    const int port = argc > 4 ? _wtoi(argv[4]) : STREAM_PORT;

    SocketStartup();
    // Without a window the recorders' row updates go nowhere; the recording state is real.
    COrvaneDlg* dialog = new COrvaneDlg;
    std::vector<std::string> paths;
    std::vector<std::thread> recorders;
    for (std::size_t i = 0; i < hosts.size(); ++i) {
        const DeviceId id = 1000 + (DeviceId)i;
        paths.push_back(folder + "\\record_bench_" + std::to_string(i) + ".ts");
        const std::wstring path = NarrowToWide(paths.back());
        const RecordingGeneration generation = dialog->Recordings().Begin(id, path);
        const RecordingRequest request{hosts[i], port, path, id, generation, RECORD_SILENCE_LIMIT_MS};
        recorders.emplace_back(RunRecorder, std::ref(dialog->Recordings()), std::ref<RecordingWindow>(*dialog), request,
                               nullptr);
    }

    // Measure from the moment every recorder has written its first block.
    const auto warmUpEnd = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (const std::string& path : paths) {
        while (FileSize(path) < RECORD_BLOCK_SIZE) {
            if (std::chrono::steady_clock::now() > warmUpEnd) {
                std::fprintf(stderr, "no stream arrived at %s\n", path.c_str());
                ::TerminateProcess(::GetCurrentProcess(), 1);
            }
            ::Sleep(5);
        }
    }
    const std::int64_t bytesBefore = TotalSize(paths);
    const double cpuBefore = ProcessCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    ::Sleep((DWORD)(seconds * 1000));
    const std::int64_t bytes = TotalSize(paths) - bytesBefore;
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    for (std::size_t i = 0; i < hosts.size(); ++i)
        dialog->Recordings().SetWanted(1000 + (DeviceId)i, false);
    for (std::thread& recorder : recorders)
        recorder.join();

    std::printf("recorder boxes=%zu seconds=%.3f bytes=%lld mbps=%.1f cpu_s=%.3f\n", hosts.size(), elapsed,
                (long long)bytes, bytes / elapsed / 1e6, cpu);
    std::fflush(stdout);
    return 0;
}
