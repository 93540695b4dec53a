#include "recording/RecordingHealth.h"

#include "discovery/Ipv4Text.h"
#include "framework/ResourceString.h"
#include "framework/TextCodec.h"
#include "recording/RecordingStrings.h"

#include <cwchar>

namespace {

using std::chrono::duration_cast;
using std::chrono::milliseconds;

std::wstring FileNameOf(const std::wstring& path)
{
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// h:mm:ss
std::wstring DurationText(milliseconds length)
{
    const long long seconds = length.count() / 1000;
    wchar_t text[48];
    std::swprintf(text, 48, L"%lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60, seconds % 60);
    return text;
}

// The format is a string resource with one floating-point field.
std::wstring Formatted(UINT formatId, double value)
{
    wchar_t text[64];
    std::swprintf(text, 64, LoadResourceString(formatId).c_str(), value);
    return text;
}

} // namespace

RecordingHealth::RecordingHealth(const std::wstring& filePath, std::time_t startedAt, Clock::time_point start)
    : m_fileName(FileNameOf(filePath)), m_startedAt(startedAt), m_start(start), m_lastArrival(start)
{
}

void RecordingHealth::OnArrival(const void* bytes, std::size_t size, Clock::time_point now)
{
    m_stream.Feed(static_cast<const std::uint8_t*>(bytes), size);
    const std::int64_t index = duration_cast<milliseconds>(now - m_start).count() / BUCKET_MS;
    std::lock_guard<std::mutex> hold(m_lock);
    Bucket& bucket = m_buckets[index % BUCKETS];
    if (bucket.index != index)
        bucket = {index, 0};
    bucket.bytes += size;
    m_arrivedBytes += size;
    m_lastArrival = now;
    m_continuityErrors = m_stream.ContinuityErrors();
    m_syncLosses = m_stream.SyncLosses();
}

// The rate counts the buckets of the last RECORD_RATE_WINDOW_MS, the current one included,
// over the time they cover (the time since the start while that is shorter).
RecordingHealthSnapshot RecordingHealth::Snapshot(Clock::time_point now) const
{
    RecordingHealthSnapshot snapshot;
    snapshot.startedAt = m_startedAt;
    snapshot.fileName = m_fileName;
    snapshot.elapsed = now > m_start ? duration_cast<milliseconds>(now - m_start) : milliseconds(0);
    const std::int64_t current = snapshot.elapsed.count() / BUCKET_MS;
    const std::int64_t oldest = current - BUCKETS + 1;
    std::uint64_t windowBytes = 0;
    std::lock_guard<std::mutex> hold(m_lock);
    for (const Bucket& bucket : m_buckets) {
        if (bucket.index >= oldest && bucket.index <= current)
            windowBytes += bucket.bytes;
    }
    const std::int64_t windowMs = snapshot.elapsed.count() - (oldest > 0 ? oldest * BUCKET_MS : 0);
    snapshot.rateBitsPerSecond = windowMs > 0 ? windowBytes * 8.0 * 1000.0 / (double)windowMs : 0.0;
    snapshot.fileBytes = m_arrivedBytes / RECORD_BLOCK_SIZE * RECORD_BLOCK_SIZE;
    snapshot.quiet = now > m_lastArrival ? duration_cast<milliseconds>(now - m_lastArrival) : milliseconds(0);
    snapshot.continuityErrors = m_continuityErrors;
    snapshot.syncLosses = m_syncLosses;
    return snapshot;
}

std::vector<std::wstring> RecordingHealthLines(const RecordingHealthSnapshot& snapshot)
{
    std::vector<std::wstring> lines;
    lines.push_back(LoadResourceString(IDS_HEALTH_SINCE) +
                    NarrowToWide(FormatLocalTime((std::uint32_t)snapshot.startedAt)) +
                    LoadResourceString(IDS_HEALTH_FOR) + DurationText(snapshot.elapsed));
    lines.push_back(LoadResourceString(IDS_HEALTH_FILE) + snapshot.fileName + LoadResourceString(IDS_HEALTH_FILE_SEPARATOR) +
                    Formatted(IDS_HEALTH_FILE_SIZE, snapshot.fileBytes / 1e6));
    lines.push_back(LoadResourceString(IDS_HEALTH_RATE) + std::to_wstring(RECORD_RATE_WINDOW_MS / 1000) +
                    LoadResourceString(IDS_HEALTH_RATE_WINDOW) +
                    Formatted(IDS_HEALTH_RATE_VALUE, snapshot.rateBitsPerSecond / 1e6));
    lines.push_back(LoadResourceString(IDS_HEALTH_CONTINUITY) + std::to_wstring(snapshot.continuityErrors) +
                    LoadResourceString(IDS_HEALTH_LOST_SYNC) + std::to_wstring(snapshot.syncLosses));
    if (snapshot.quiet >= milliseconds(RECORD_QUIET_NOTICE_MS))
        lines.push_back(LoadResourceString(IDS_HEALTH_NO_DATA) + std::to_wstring(snapshot.quiet.count() / 1000) +
                        LoadResourceString(IDS_HEALTH_NO_DATA_SECONDS));
    return lines;
}

std::wstring RecordingHealthText(const RecordingHealthSnapshot& snapshot)
{
    std::wstring text;
    for (const std::wstring& line : RecordingHealthLines(snapshot))
        text += (text.empty() ? L"" : L"\r\n") + line;
    return text;
}
