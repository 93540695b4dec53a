#include "discovery/NetSocket.h"

#include <cstring>

int SocketStartup()
{
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
    return 0;
}

bool NetSocket::BindLocal(const char* localAddress)
{
    sockaddr_in local;
    std::memset(&local, 0, sizeof local);
    local.sin_family = AF_INET;
    local.sin_port = ::htons(0);
    if (localAddress) {
        const hostent* host = ::gethostbyname(localAddress);
        if (!host || !host->h_addr_list || !host->h_addr_list[0])
            return false;
        std::memcpy(&local.sin_addr, host->h_addr_list[0], 4);
    } else {
        local.sin_addr.s_addr = INADDR_ANY;
    }
    Close();
    m_handle = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (m_handle == INVALID_SOCKET)
        return false;
    if (::bind(m_handle, reinterpret_cast<const sockaddr*>(&local), sizeof local) == SOCKET_ERROR) {
        ::closesocket(m_handle);
        m_handle = INVALID_SOCKET;
        return false;
    }
    return true;
}

bool NetSocket::SendBroadcast(const DeviceDatagram* datagram)
{
    return SendTo(datagram, INADDR_BROADCAST);
}

bool NetSocket::SendTo(const DeviceDatagram* datagram, Ipv4Host address)
{
    sockaddr_in target;
    std::memset(&target, 0, sizeof target);
    target.sin_family = AF_INET;
    target.sin_port = ::htons(DISCOVERY_PORT);
    target.sin_addr.s_addr = ::htonl(address);
    int sent = ::sendto(m_handle, reinterpret_cast<const char*>(datagram), DATAGRAM_SIZE, 0,
                        reinterpret_cast<const sockaddr*>(&target), sizeof target);
    return sent != SOCKET_ERROR && sent != 0;
}

bool NetSocket::ReceiveExact(void* buffer, int count)
{
    char* bytes = static_cast<char*>(buffer);
    int received = 0;
    while (received < count) {
        int result = ::recv(m_handle, bytes + received, count - received, 0);
        if (result == SOCKET_ERROR || result == 0)
            return false;
        received += result;
    }
    return true;
}

void NetSocket::Close()
{
    if (IsValid()) {
        ::closesocket(m_handle);
        m_handle = INVALID_SOCKET;
    }
}

void NetSocket::ShutdownAndClose()
{
    if (IsValid()) {
        ::shutdown(m_handle, SD_BOTH);
        ::closesocket(m_handle);
        m_handle = INVALID_SOCKET;
    }
}
