#include "recording/RecordingHealthBoard.h"

#include <ctime>

std::shared_ptr<RecordingHealth> RecordingHealthBoard::Begin(DeviceId id, const std::wstring& path)
{
    auto health = std::make_shared<RecordingHealth>(path, std::time(nullptr), RecordingHealth::Clock::now());
    std::lock_guard<std::mutex> hold(m_lock);
    m_health[id] = health;
    return health;
}

std::shared_ptr<RecordingHealth> RecordingHealthBoard::Find(DeviceId id) const
{
    std::lock_guard<std::mutex> hold(m_lock);
    const auto found = m_health.find(id);
    return found == m_health.end() ? nullptr : found->second;
}
