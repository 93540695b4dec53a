#include "discovery/AnnouncementQueue.h"

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
