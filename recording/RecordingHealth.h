// How one recording is doing, for the operator's glance at its row: since when and how long
// it records, its file and the file's size, the rate of the last 10 seconds, the stream's
// continuity errors and losses of sync, and how long nothing has arrived.
#pragma once

#include "recording/Recording.h"
#include "recording/TsContinuity.h"

#include <chrono>
#include <cstdint>
#include <ctime>
#include <mutex>
#include <string>
#include <vector>

// The rate is taken over this much of the latest stream.
constexpr int RECORD_RATE_WINDOW_MS = 10000;
// Silence this long is worth telling (the recording itself ends after RECORD_SILENCE_LIMIT_MS).
constexpr int RECORD_QUIET_NOTICE_MS = 3000;

struct RecordingHealthSnapshot {
    std::time_t startedAt = 0;                 // wall clock, for the local time shown
    std::chrono::milliseconds elapsed{0};      // recording for this long
    std::wstring fileName;                     // without its folder
    // The file's size: the whole blocks arrived, since the recorder writes each block as
    // soon as it is whole.
    std::uint64_t fileBytes = 0;
    double rateBitsPerSecond = 0;              // over the last RECORD_RATE_WINDOW_MS (less at the start)
    std::chrono::milliseconds quiet{0};        // since the last bytes arrived (since the start before any)
    std::uint64_t continuityErrors = 0;
    std::uint64_t syncLosses = 0;
};

// Shared between the recorder thread, which reports what passes, and the window thread,
// which takes snapshots; every member takes the lock for a few assignments only.
class RecordingHealth {
public:
    using Clock = std::chrono::steady_clock;

    RecordingHealth(const std::wstring& filePath, std::time_t startedAt, Clock::time_point start);
    RecordingHealth(const RecordingHealth&) = delete;
    RecordingHealth& operator=(const RecordingHealth&) = delete;

    // Recorder thread only: bytes of the stream as they arrive, in stream order.
    void OnArrival(const void* bytes, std::size_t size, Clock::time_point now);

    // Any thread: the recording as it stands at now.
    RecordingHealthSnapshot Snapshot(Clock::time_point now) const;

private:
    static constexpr int BUCKET_MS = 100;
    static constexpr int BUCKETS = RECORD_RATE_WINDOW_MS / BUCKET_MS;
    struct Bucket {
        std::int64_t index = -1;  // BUCKET_MS periods since the start
        std::uint64_t bytes = 0;
    };

    TsContinuity m_stream;  // recorder thread only

    mutable std::mutex m_lock;
    const std::wstring m_fileName;
    const std::time_t m_startedAt;
    const Clock::time_point m_start;
    std::uint64_t m_arrivedBytes = 0;        // under m_lock
    Clock::time_point m_lastArrival;         // under m_lock
    Bucket m_buckets[BUCKETS];               // under m_lock; bucket index % BUCKETS
    std::uint64_t m_continuityErrors = 0;    // under m_lock
    std::uint64_t m_syncLosses = 0;          // under m_lock
};

// The lines the operator reads for a snapshot, one short line each; the quiet line only
// once nothing has arrived for RECORD_QUIET_NOTICE_MS.
std::vector<std::wstring> RecordingHealthLines(const RecordingHealthSnapshot& snapshot);
// The same lines joined by line breaks (an info tip, a message box).
std::wstring RecordingHealthText(const RecordingHealthSnapshot& snapshot);
