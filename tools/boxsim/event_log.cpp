#include "tools/boxsim/event_log.h"

#include <cstdio>
#include <deque>
#include <mutex>

namespace {

// A bounded memory: a simulator left running for days must not grow without end.
constexpr std::size_t MAX_KEPT_LINES = 200000;

std::mutex g_logMutex;
std::FILE* g_sink = nullptr;
std::deque<std::string> g_kept;

}  // namespace

bool OpenLogFile(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "a");
    if (file == nullptr) {
        return false;
    }
    std::lock_guard<std::mutex> lock(g_logMutex);
    g_sink = file;
    return true;
}

void LogLine(const std::string& line)
{
    std::lock_guard<std::mutex> lock(g_logMutex);
    std::FILE* sink = g_sink != nullptr ? g_sink : stderr;
    std::fprintf(sink, "%s\n", line.c_str());
    std::fflush(sink);
    g_kept.push_back(line);
    if (g_kept.size() > MAX_KEPT_LINES) {
        g_kept.pop_front();
    }
}

std::vector<std::string> LoggedLines(const std::string& prefix)
{
    std::lock_guard<std::mutex> lock(g_logMutex);
    std::vector<std::string> lines;
    for (const std::string& line : g_kept) {
        if (line.compare(0, prefix.size(), prefix) == 0) {
            lines.push_back(line);
        }
    }
    return lines;
}

void ClearLoggedLines()
{
    std::lock_guard<std::mutex> lock(g_logMutex);
    g_kept.clear();
}
