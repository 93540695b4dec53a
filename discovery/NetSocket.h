// The socket wrapper that scanners, the Set command and the recorder share.
// Owns one socket handle and closes it in its destructor (scanners live as long as the
// process, so theirs stays open); Close and ShutdownAndClose release it earlier.
#pragma once

#include <winsock2.h>

#include "discovery/DeviceDatagram.h"

// WSAStartup asking for version 2.2; its result is not examined. Returns 0.
int SocketStartup();

class NetSocket {
public:
    NetSocket() = default;
    explicit NetSocket(SOCKET handle) : m_handle(handle) {}
    ~NetSocket() { Close(); }
    NetSocket(const NetSocket&) = delete;
    NetSocket& operator=(const NetSocket&) = delete;

    SOCKET Handle() const { return m_handle; }
    bool IsValid() const { return m_handle != 0 && m_handle != INVALID_SOCKET; }

    // A UDP socket bound to the given local address (resolved by gethostbyname) and port 0.
    // On a failed lookup the current socket stays as it was.
    bool BindLocal(const char* localAddress);
    // One datagram of all 184 bytes to 255.255.255.255:34462; true when bytes left.
    bool SendBroadcast(const DeviceDatagram* datagram);
    // One datagram of all 184 bytes to the address's port 34462; true when bytes left.
    bool SendTo(const DeviceDatagram* datagram, Ipv4Host address);
    // Reads exactly count bytes from a connected stream socket; false on error or close
    // (the bytes received so far stay in the buffer).
    bool ReceiveExact(void* buffer, int count);
    void Close();
    void ShutdownAndClose();

private:
    SOCKET m_handle = INVALID_SOCKET;
};
