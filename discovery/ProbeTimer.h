// When a scanner's next probe leaves: PROBE_PERIOD_MS after the previous one, or sooner when
// the operator asks to search now, but never less than PROBE_MIN_SPACING_MS after it, however
// often the request comes.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

constexpr unsigned PROBE_MIN_SPACING_MS = 1000;

// The arithmetic alone, on time points it is given, so that tests can drive it with their own.
class ProbeSchedule {
public:
    using Clock = std::chrono::steady_clock;
    using Duration = std::chrono::milliseconds;

    ProbeSchedule(Duration period, Duration minSpacing) : m_period(period), m_minSpacing(minSpacing) {}

    // A probe leaves at this moment; it answers every search request made before it.
    void ProbeSent(Clock::time_point at)
    {
        m_lastProbe = at;
        m_probeSent = true;
        m_searchRequested = false;
    }
    // The operator asked to search now: the next probe leaves as soon as the spacing allows.
    void SearchNow() { m_searchRequested = true; }
    // When the next probe is due. Before the first probe: at once.
    Clock::time_point NextProbeAt() const
    {
        if (!m_probeSent)
            return Clock::time_point::min();
        return m_lastProbe + (m_searchRequested ? m_minSpacing : m_period);
    }

private:
    Duration m_period;
    Duration m_minSpacing;
    Clock::time_point m_lastProbe{};
    bool m_probeSent = false;
    bool m_searchRequested = false;
};

// The schedule shared by a scanner's probe sender, which waits on it, and the window thread,
// which wakes it for a search. Both sides take m_lock only briefly; nothing else waits on it.
class ProbeTimer {
public:
    ProbeTimer(ProbeSchedule::Duration period, ProbeSchedule::Duration minSpacing) : m_schedule(period, minSpacing) {}
    ProbeTimer(const ProbeTimer&) = delete;
    ProbeTimer& operator=(const ProbeTimer&) = delete;

    // Sender thread, just before it sends a probe.
    void ProbeLeavesNow();
    // Sender thread: returns when the next probe is due (a search request may bring it forward).
    void WaitForNextProbe();
    // Any thread: asks for a probe now. Requests within the spacing share one probe.
    void SearchNow();

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    ProbeSchedule m_schedule;  // under m_lock
};
