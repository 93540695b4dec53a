// One scanner: a UDP socket bound to one local address, a thread that broadcasts a probe
// every 10 s (or sooner when the operator searches now) and a thread that hands every datagram arriving on the socket to
// HandleAnnouncement. Scanners are never stopped or deleted while the process lives.
#pragma once

#include "discovery/NetSocket.h"
#include "discovery/ProbeTimer.h"
#include "discovery/ReceiveLoop.h"

#include <cstdint>
#include <memory>
#include <thread>

constexpr unsigned PROBE_PERIOD_MS = 10000;

class find_devices {
public:
    find_devices() = default;
    find_devices(const find_devices&) = delete;
    find_devices& operator=(const find_devices&) = delete;

    // Binds to the local address and starts both threads; a failure leaves the scanner idle.
    void Start(Ipv4Net localAddress, std::uint32_t interfaceIndex);

    // Any thread: the next probe leaves at once, or 1 s after the previous one when that was
    // sooner; the 10-second rhythm goes on from it. Does nothing to an idle scanner.
    void SearchNow() { m_probeTimer.SearchNow(); }

    bool IsRunning() const { return m_running; }
    // The bound socket (tests read its port); invalid for an idle scanner.
    SOCKET Socket() const { return m_socket.Handle(); }

private:
    void SendProbes();
    void ReceiveAnnouncements();

    bool m_running = false;  // written before the threads exist, only read by them
    NetSocket m_socket;
    std::uint32_t m_interfaceIndex = 0;
    std::shared_ptr<std::thread> m_senderThread;
    std::shared_ptr<std::thread> m_receiverThread;
    ProbeTimer m_probeTimer{std::chrono::milliseconds(PROBE_PERIOD_MS), std::chrono::milliseconds(PROBE_MIN_SPACING_MS)};
};
