// How fast a network search may send: never more than SEARCH_PROBES_PER_SECOND probes in any
// one second, spread evenly rather than in bursts, so that neither a router nor the boxes'
// answers on the way back are flooded. Pure arithmetic on the time points it is given, so that
// tests can drive it with a clock of their own.
#pragma once

#include <chrono>
#include <deque>

constexpr int SEARCH_PROBES_PER_SECOND = 1000;
// Sends allowed back to back after a pause, so that a sender that wakes late on a busy machine
// keeps the full rate.
constexpr int SEARCH_PROBE_BURST = 100;

class ProbePacer {
public:
    using Clock = std::chrono::steady_clock;

    // True when one more probe may leave at this moment.
    bool MaySend(Clock::time_point now) const
    {
        if ((int)m_recent.size() >= SEARCH_PROBES_PER_SECOND && now - m_recent.front() < WINDOW)
            return false;
        return m_evenPaceAt - now <= BURST_ALLOWANCE;
    }
    // One paced send: when the pace allows one now, send() (false: nothing to send), then the
    // probe is booked at the time send() returned. A send that blocked may have left at any
    // moment since it began; only the later time keeps the pace on the wire.
    template <class Send, class Now>
    bool SendOne(Send&& send, Now&& now)
    {
        if (!MaySend(now()) || !send())
            return false;
        Sent(now());
        return true;
    }

    // A probe left no later than this moment (after MaySend said yes).
    void Sent(Clock::time_point now)
    {
        // The last SEARCH_PROBES_PER_SECOND send times: the oldest of them must be a second old
        // before the next send.
        m_recent.push_back(now);
        if ((int)m_recent.size() > SEARCH_PROBES_PER_SECOND)
            m_recent.pop_front();
        // Even pace: each send books one interval, from now when the pacer fell behind.
        if (m_evenPaceAt < now)
            m_evenPaceAt = now;
        m_evenPaceAt += INTERVAL;
    }

private:
    // A little more than a second: datagrams that take a few milliseconds longer on their way
    // than others cannot crowd more than SEARCH_PROBES_PER_SECOND into any second on arrival.
    static constexpr Clock::duration WINDOW = std::chrono::milliseconds(1010);
    static constexpr Clock::duration INTERVAL = WINDOW / SEARCH_PROBES_PER_SECOND;
    static constexpr Clock::duration BURST_ALLOWANCE = INTERVAL * (SEARCH_PROBE_BURST - 1);

    std::deque<Clock::time_point> m_recent;
    Clock::time_point m_evenPaceAt{};
};
