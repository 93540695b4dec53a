#include "discovery/SweepPlan.h"

#include <algorithm>
#include <utility>

SweepPlan::SweepPlan(std::vector<Ipv4Host> addresses)
    : m_addresses(std::move(addresses)), m_answered(m_addresses.size(), false), m_firstSent(m_addresses.size())
{
}

bool SweepPlan::NextProbe(Clock::time_point now, Ipv4Host* address)
{
    if (m_firstPassNext < m_addresses.size()) {
        m_pending = m_firstPassNext;
        *address = m_addresses[m_pending];
        return true;
    }
    // Answered addresses are passed over here, so an answer that comes during the second pass
    // still spares its address the second probe.
    while (m_secondPassNext < m_addresses.size() && m_answered[m_secondPassNext])
        ++m_secondPassNext;
    if (m_secondPassNext >= m_addresses.size())
        return false;
    if (now - m_firstSent[m_secondPassNext] < SECOND_PROBE_MIN_AGE)
        return false;
    m_pending = m_secondPassNext;
    *address = m_addresses[m_pending];
    return true;
}

void SweepPlan::ProbeSent(Clock::time_point now)
{
    m_lastProbe = now;
    if (m_firstPassNext < m_addresses.size() && m_pending == m_firstPassNext) {
        m_firstSent[m_firstPassNext] = now;
        ++m_firstPassNext;
    } else if (m_pending == m_secondPassNext && m_secondPassNext < m_addresses.size()) {
        ++m_secondPassNext;
        ++m_secondProbesSent;
    }
}

bool SweepPlan::Answered(Ipv4Host source)
{
    auto found = std::lower_bound(m_addresses.begin(), m_addresses.end(), source);
    if (found == m_addresses.end() || *found != source)
        return false;
    const std::size_t index = found - m_addresses.begin();
    if (m_answered[index])
        return false;
    m_answered[index] = true;
    ++m_answeredCount;
    return true;
}

bool SweepPlan::Finished(Clock::time_point now) const
{
    if (m_firstPassNext < m_addresses.size())
        return false;
    for (std::size_t i = m_secondPassNext; i < m_addresses.size(); ++i) {
        if (!m_answered[i])
            return false;
    }
    return m_addresses.empty() || now - m_lastProbe >= LAST_ANSWER_WAIT;
}
