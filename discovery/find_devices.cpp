#include "discovery/find_devices.h"

#include "discovery/HandleAnnouncement.h"
#include "discovery/Ipv4Text.h"

#include <mutex>

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
    AskForLargeReceiveBuffer(m_socket);
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
    ReceiveDatagrams(m_socket, m_running, [this](const char* bytes, int length, Ipv4Host source) {
        std::lock_guard<std::mutex> lock(ReplyLock);
        HandleAnnouncement(bytes, length, m_interfaceIndex, source);
    });
}
