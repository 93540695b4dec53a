#include "discovery/AnnouncementQueue.h"

#include <algorithm>

AnnouncementQueue::Pushed AnnouncementQueue::Push(AnnouncementJob&& job)
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_jobs.size() >= ANNOUNCEMENT_QUEUE_CAPACITY)
        return Pushed::DROPPED;
    m_jobs.push_back(std::move(job));
    if (m_wakeAsked)
        return Pushed::QUEUED;
    m_wakeAsked = true;
    return Pushed::QUEUED_WAKE;
}

void AnnouncementQueue::WakeFailed()
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_wakeAsked = false;
}

bool AnnouncementQueue::TakeBatch(std::vector<AnnouncementJob>& batch, std::size_t most)
{
    std::lock_guard<std::mutex> lock(m_lock);
    for (std::size_t taken = 0; taken < most && !m_jobs.empty(); ++taken) {
        batch.push_back(std::move(m_jobs.front()));
        m_jobs.pop_front();
    }
    if (m_jobs.empty())
        m_wakeAsked = false;
    return !m_jobs.empty();
}

bool AnnouncementQueue::IsEmpty() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_jobs.empty();
}

std::size_t AnnouncementQueue::DropBoxes(const std::unordered_set<DeviceId>& ids)
{
    std::lock_guard<std::mutex> lock(m_lock);
    const auto kept = std::remove_if(m_jobs.begin(), m_jobs.end(),
                                     [&](const AnnouncementJob& job) { return ids.count(job.deviceId) != 0; });
    const std::size_t dropped = (std::size_t)(m_jobs.end() - kept);
    // A wake-up already on its way finds the queue empty and ends the round as usual.
    m_jobs.erase(kept, m_jobs.end());
    return dropped;
}
