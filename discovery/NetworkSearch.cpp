#include "discovery/NetworkSearch.h"

#include "discovery/HandleAnnouncement.h"
#include "discovery/Ipv4Text.h"
#include "discovery/ReceiveLoop.h"
#include "discovery/RoutedBox.h"

#include <cstring>
#include <utility>

namespace {
// How long the sender sleeps while probes are due; short enough that a cancelled search sends
// nothing more within this time, long enough that pacing costs little processor time.
constexpr auto SENDER_TICK = std::chrono::milliseconds(5);
// An answer from an address outside every local subnet names no interface of its own.
constexpr std::uint32_t NO_LOCAL_INTERFACE = 0;
} // namespace

bool NetworkSearch::Begin(std::vector<Ipv4Host> addresses)
{
    if (!m_running && !StartThreads())
        return false;
    std::vector<MIB_IPADDRROW> localAddresses;
    if (!ReadIpAddressTable(&localAddresses))
        localAddresses.clear();
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_localAddresses = std::move(localAddresses);
        m_plan = SweepPlan(std::move(addresses));
        m_state = SearchProgress::State::RUNNING;
        m_searchStarted = Clock::now();
        if (!m_roundsStarted) {
            m_roundsStarted = true;
            m_nextRound = m_searchStarted + std::chrono::milliseconds(REPROBE_PERIOD_MS);
        }
    }
    m_wake.notify_all();
    return true;
}

void NetworkSearch::Cancel()
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_state != SearchProgress::State::RUNNING)
            return;
        m_state = SearchProgress::State::CANCELLED;
        m_searchEnded = Clock::now();
    }
    m_wake.notify_all();
}

SearchProgress NetworkSearch::Progress() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    SearchProgress progress;
    progress.state = m_state;
    progress.addressCount = m_plan.AddressCount();
    progress.firstProbesSent = m_plan.FirstProbesSent();
    progress.secondProbesSent = m_plan.SecondProbesSent();
    progress.secondPass = m_plan.InSecondPass();
    progress.answered = m_plan.AnsweredCount();
    const Clock::time_point end = m_state == SearchProgress::State::RUNNING ? Clock::now() : m_searchEnded;
    if (m_state != SearchProgress::State::NONE)
        progress.seconds = std::chrono::duration<double>(end - m_searchStarted).count();
    return progress;
}

std::map<DeviceId, Ipv4Host> NetworkSearch::FoundBoxes() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_found;
}

bool NetworkSearch::StartThreads()
{
    if (!m_socket.BindLocal(nullptr))
        return false;
    // The answers of a whole sweep can arrive while the receiver waits for the processor.
    AskForLargeReceiveBuffer(m_socket);
    m_running = true;
    m_senderThread.reset(new std::thread(&NetworkSearch::SendProbes, this));
    m_receiverThread.reset(new std::thread(&NetworkSearch::ReceiveAnswers, this));
    return true;
}

void NetworkSearch::QueueDueReprobes(Clock::time_point now)
{
    if (!m_roundsStarted || now < m_nextRound)
        return;
    for (const auto& box : m_found)
        m_reprobes.push_back(box.second);
    m_nextRound += std::chrono::milliseconds(REPROBE_PERIOD_MS);
    if (m_nextRound <= now)
        m_nextRound = now + std::chrono::milliseconds(REPROBE_PERIOD_MS);
}

bool NetworkSearch::TakeNextProbe(Clock::time_point now, Ipv4Host* address)
{
    if (!m_reprobes.empty()) {
        *address = m_reprobes.front();
        m_reprobes.pop_front();
    } else if (m_state == SearchProgress::State::RUNNING && m_plan.NextProbe(now, address)) {
        m_plan.ProbeSent(now);
    } else {
        return false;
    }
    return true;
}

// The sender thread's body; never returns.
void NetworkSearch::SendProbes()
{
    const DeviceDatagram probe = MakeProbe();
    std::unique_lock<std::mutex> lock(m_lock);
    while (m_running) {
        Clock::time_point now = Clock::now();
        QueueDueReprobes(now);
        const auto sendNext = [&] {
            Ipv4Host address = 0;
            if (!TakeNextProbe(Clock::now(), &address))
                return false;
            lock.unlock();
            m_socket.SendTo(&probe, address);
            lock.lock();
            return true;
        };
        while (m_pacer.SendOne(sendNext, [] { return Clock::now(); })) {
        }
        now = Clock::now();
        if (m_state == SearchProgress::State::RUNNING && m_plan.Finished(now)) {
            m_state = SearchProgress::State::DONE;
            m_searchEnded = now;
        }
        if (m_state == SearchProgress::State::RUNNING || !m_reprobes.empty())
            m_wake.wait_for(lock, SENDER_TICK);
        else if (m_roundsStarted)
            m_wake.wait_until(lock, m_nextRound);
        else
            m_wake.wait(lock);
    }
}

void NetworkSearch::ReceiveAnswers()
{
    ReceiveDatagrams(m_socket, m_running,
                     [this](const char* bytes, int length, Ipv4Host source) { OnDatagram(bytes, length, source); });
}

// Receiver thread.
void NetworkSearch::OnDatagram(const char* bytes, int length, Ipv4Host source)
{
    if (!IsAcceptedAnnouncement(bytes, length))
        return;
    DeviceDatagram announcement;
    std::memcpy(&announcement, bytes, sizeof announcement);
    std::uint32_t interfaceIndex = NO_LOCAL_INTERFACE;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_found[announcement.deviceId] = source;
        if (m_state == SearchProgress::State::RUNNING)
            m_plan.Answered(source);
        interfaceIndex = InterfaceIndexForAddress(Ipv4NetFromHost(source), m_localAddresses, NO_LOCAL_INTERFACE);
    }
    std::lock_guard<std::mutex> lock(ReplyLock);
    HandleUnicastAnnouncement(bytes, length, interfaceIndex, source);
}
