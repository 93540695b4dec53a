// The network search: probes addresses one by one with unicast probes, so that boxes behind a
// router answer as local ones answer a broadcast, and keeps probing the boxes it found.
// One UDP socket bound to any local address and port 0 (routing picks the source), a sender
// thread that paces the probes (ProbePacer) in the order of the running search's SweepPlan and
// probes every found box again each REPROBE_PERIOD_MS, and a receiver thread that hands every
// answer to HandleUnicastAnnouncement. Nothing is bound or sent before the first search; the
// threads then run until the process ends, like the scanners'.
#pragma once

#include "discovery/AddressTable.h"
#include "discovery/NetSocket.h"
#include "discovery/ProbePacer.h"
#include "discovery/SweepPlan.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

constexpr unsigned REPROBE_PERIOD_MS = 10000;

// A snapshot of the latest search, for the dialog that shows it.
struct SearchProgress {
    enum class State { NONE, RUNNING, DONE, CANCELLED };
    State state = State::NONE;
    std::size_t addressCount = 0;
    std::size_t firstProbesSent = 0;   // addresses probed at least once
    std::size_t secondProbesSent = 0;  // second probes to addresses that had not answered
    bool secondPass = false;           // every address has had its first probe
    std::size_t answered = 0;          // addresses of the search that answered
    double seconds = 0;                // since the start; the whole search once it is done
};

class NetworkSearch {
public:
    NetworkSearch() = default;
    NetworkSearch(const NetworkSearch&) = delete;
    NetworkSearch& operator=(const NetworkSearch&) = delete;

    // Window thread: starts a search of the addresses (ascending, each once), ending one still
    // running. The first call binds the socket and starts the threads; false when the socket
    // cannot be made (nothing is sent then).
    bool Begin(std::vector<Ipv4Host> addresses);
    // Any thread: ends the running search; its next probe does not leave. Found boxes stay
    // and are still probed every REPROBE_PERIOD_MS.
    void Cancel();
    SearchProgress Progress() const;

    // Every box that has answered a probe of this engine, with the address it answered from.
    std::map<DeviceId, Ipv4Host> FoundBoxes() const;
    // The bound socket (tests read its port); invalid before the first search.
    SOCKET Socket() const { return m_socket.Handle(); }

private:
    using Clock = std::chrono::steady_clock;

    bool StartThreads();
    void SendProbes();
    void ReceiveAnswers();
    void OnDatagram(const char* bytes, int length, Ipv4Host source);
    // Under m_lock: queues a probe for every found box when the round is due.
    void QueueDueReprobes(Clock::time_point now);
    // Under m_lock: the address of the next probe, or false; the pacer decides when it leaves.
    bool TakeNextProbe(Clock::time_point now, Ipv4Host* address);

    bool m_running = false;  // written before the threads exist, only read by them
    NetSocket m_socket;
    std::shared_ptr<std::thread> m_senderThread;
    std::shared_ptr<std::thread> m_receiverThread;

    mutable std::mutex m_lock;  // guards everything below; never held while sending or handling
    std::condition_variable m_wake;
    SearchProgress::State m_state = SearchProgress::State::NONE;
    SweepPlan m_plan;
    Clock::time_point m_searchStarted{};
    Clock::time_point m_searchEnded{};
    ProbePacer m_pacer;  // searches and rounds share it, so together they keep its rate
    std::map<DeviceId, Ipv4Host> m_found;
    std::deque<Ipv4Host> m_reprobes;
    bool m_roundsStarted = false;
    Clock::time_point m_nextRound{};
    // The address table as the latest search found it: the interface an answer came through.
    std::vector<MIB_IPADDRROW> m_localAddresses;
};
