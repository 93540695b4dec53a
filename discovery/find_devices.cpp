#include "discovery/find_devices.h"

#include "discovery/HandleAnnouncement.h"
#include "discovery/Ipv4Text.h"

#include <cstring>
#include <mutex>

namespace {
// After this many failed selects in a row the receiver pauses before trying again,
// so that a broken socket does not spin a core.
constexpr int SELECT_FAILURES_BEFORE_PAUSE = 3;
constexpr DWORD SELECT_FAILURE_PAUSE_MS = 200;
} // namespace

void find_devices::Start(Ipv4Net localAddress, std::uint32_t interfaceIndex)
{
    m_interfaceIndex = interfaceIndex;
    if (!m_socket.BindLocal(Ipv4ToText(localAddress).c_str()))
        return;
    m_running = true;
    int broadcast = 1;
    ::setsockopt(m_socket.Handle(), SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&broadcast),
                 sizeof broadcast);
    // Every box answers a probe at once. The receiver queues each answer for the window thread
    // and reads on at once, but the socket still holds a burst while the receiver waits for
    // the processor.
    int receiveBuffer = RECEIVE_SOCKET_BUFFER_BYTES;
    ::setsockopt(m_socket.Handle(), SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&receiveBuffer),
                 sizeof receiveBuffer);
    m_senderThread.reset(new std::thread(&find_devices::SendProbes, this));
    m_receiverThread.reset(new std::thread(&find_devices::ReceiveAnnouncements, this));
}

void find_devices::SendProbes()
{
    while (m_running) {
        m_probeTimer.ProbeLeavesNow();
        DeviceDatagram probe = MakeProbe();
        m_socket.SendBroadcast(&probe);
        m_probeTimer.WaitForNextProbe();
    }
}

void find_devices::ReceiveAnnouncements()
{
    int failedSelects = 0;
    while (m_running) {
        char buffer[RECEIVE_BUFFER_SIZE];
        std::memset(buffer, 0, sizeof buffer);

        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(m_socket.Handle(), &readable);
        timeval wait = {RECEIVE_WAIT_S, 0};
        int ready = ::select(0, &readable, nullptr, nullptr, &wait);
        if (ready == SOCKET_ERROR) {
            if (++failedSelects >= SELECT_FAILURES_BEFORE_PAUSE)
                ::Sleep(SELECT_FAILURE_PAUSE_MS);
            continue;
        }
        failedSelects = 0;
        if (ready != 1)
            continue;

        sockaddr_in source;
        int sourceLength = sizeof source;
        int received = ::recvfrom(m_socket.Handle(), buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&source),
                                  &sourceLength);
        if (received == SOCKET_ERROR || received == 0)
            continue;

        Ipv4Host sourceAddress = ::ntohl(source.sin_addr.s_addr);
        std::lock_guard<std::mutex> lock(ReplyLock);
        HandleAnnouncement(buffer, received, m_interfaceIndex, sourceAddress);
    }
}
