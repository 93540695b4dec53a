#include "discovery/ProbeTimer.h"

void ProbeTimer::ProbeLeavesNow()
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_schedule.ProbeSent(ProbeSchedule::Clock::now());
}

void ProbeTimer::WaitForNextProbe()
{
    std::unique_lock<std::mutex> lock(m_lock);
    // A search request changes the due time, so it is read again after every wake-up.
    for (;;) {
        const ProbeSchedule::Clock::time_point due = m_schedule.NextProbeAt();
        if (ProbeSchedule::Clock::now() >= due)
            return;
        m_changed.wait_until(lock, due);
    }
}

void ProbeTimer::SearchNow()
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_schedule.SearchNow();
    }
    m_changed.notify_all();
}
