// The order in which one network search probes its addresses: every address once (the first
// pass), then once more each address that has not answered (the second pass), so that a single
// lost datagram does not hide a box. A second probe waits until its first is
// SECOND_PROBE_MIN_AGE old, so that an answer on its way is not mistaken for silence. Pure: it
// is given the time and the answers; the search engine holds it under its lock.
#pragma once

#include "discovery/DeviceDatagram.h"

#include <chrono>
#include <cstddef>
#include <vector>

class SweepPlan {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr Clock::duration SECOND_PROBE_MIN_AGE = std::chrono::milliseconds(500);
    // How long the search waits for answers after its last probe (a later answer still gets
    // its row, but is not counted).
    static constexpr Clock::duration LAST_ANSWER_WAIT = std::chrono::milliseconds(700);

    SweepPlan() = default;
    // addresses: ascending, each once (ParseSearchRanges gives them so).
    explicit SweepPlan(std::vector<Ipv4Host> addresses);

    // The address to probe now, or false when none is due at this moment (the second probes
    // wait for their first to age, or every probe has left).
    bool NextProbe(Clock::time_point now, Ipv4Host* address);
    // A probe to the address NextProbe gave has left at this moment.
    void ProbeSent(Clock::time_point now);
    // An announcement came from this address. True when it is one of the plan's addresses and
    // had not answered before.
    bool Answered(Ipv4Host source);
    // Every probe has left and the last answers have had their time.
    bool Finished(Clock::time_point now) const;

    std::size_t AddressCount() const { return m_addresses.size(); }
    // Addresses probed at least once.
    std::size_t FirstProbesSent() const { return m_firstPassNext; }
    // Second probes sent so far.
    std::size_t SecondProbesSent() const { return m_secondProbesSent; }
    std::size_t AnsweredCount() const { return m_answeredCount; }
    bool InSecondPass() const { return m_firstPassNext == m_addresses.size(); }

private:
    std::vector<Ipv4Host> m_addresses;
    std::vector<bool> m_answered;                // per address
    std::vector<Clock::time_point> m_firstSent;  // per address, once probed
    std::size_t m_firstPassNext = 0;
    std::size_t m_secondPassNext = 0;
    std::size_t m_pending = 0;  // index of the address NextProbe gave
    std::size_t m_secondProbesSent = 0;
    std::size_t m_answeredCount = 0;
    Clock::time_point m_lastProbe{};
};
