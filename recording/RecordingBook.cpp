#include "recording/RecordingBook.h"

namespace {

template <typename Map>
typename Map::mapped_type ValueOr(const Map& map, DeviceId id, typename Map::mapped_type missing)
{
    const auto found = map.find(id);
    return found == map.end() ? missing : found->second;
}

} // namespace

bool RecordingBook::IsWanted(DeviceId id) const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return ValueOr(m_wanted, id, false);
}

bool RecordingBook::IsCurrent(DeviceId id, RecordingGeneration generation) const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return ValueOr(m_wanted, id, false) && ValueOr(m_generations, id, 0) == generation;
}

bool RecordingBook::HasFlag(DeviceId id) const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_wanted.count(id) != 0;
}

bool RecordingBook::HasFile(DeviceId id) const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_files.count(id) != 0;
}

std::wstring RecordingBook::File(DeviceId id) const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return ValueOr(m_files, id, std::wstring());
}

bool RecordingBook::IsPathUsed(const std::wstring& path) const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_pathsUsed.count(path) != 0;
}

RecordingGeneration RecordingBook::Begin(DeviceId id, const std::wstring& path)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_wanted[id] = true;
    m_files[id] = path;
    m_pathsUsed.insert(path);
    return ++m_generations[id];
}

void RecordingBook::SetWanted(DeviceId id, bool wanted)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_wanted[id] = wanted;
}

void RecordingBook::SetFile(DeviceId id, const std::wstring& path)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_files[id] = path;
}

bool RecordingBook::WantedOrForget(DeviceId id)
{
    std::lock_guard<std::mutex> lock(m_lock);
    const auto flag = m_wanted.find(id);
    if (flag == m_wanted.end())
        return false;
    if (flag->second)
        return true;
    m_wanted.erase(flag);
    return false;
}

RecordingEndSeen RecordingBook::End(DeviceId id, RecordingGeneration generation, bool keepFile)
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (ValueOr(m_generations, id, 0) != generation)
        return RecordingEndSeen::SUPERSEDED;
    if (!keepFile) {
        const auto file = m_files.find(id);
        if (file != m_files.end())
            file->second.clear();
    }
    const auto flag = m_wanted.find(id);
    if (flag == m_wanted.end() || !flag->second)
        return RecordingEndSeen::ALREADY_STOPPED;
    flag->second = false;
    return RecordingEndSeen::WANTED;
}
