#include "discovery/ReceiveLoop.h"

#include <cstring>

namespace {
// After this many failed selects in a row the receiver pauses before trying again.
constexpr int SELECT_FAILURES_BEFORE_PAUSE = 3;
constexpr DWORD SELECT_FAILURE_PAUSE_MS = 200;
} // namespace

void AskForLargeReceiveBuffer(const NetSocket& socket)
{
    int receiveBuffer = RECEIVE_SOCKET_BUFFER_BYTES;
    ::setsockopt(socket.Handle(), SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&receiveBuffer),
                 sizeof receiveBuffer);
}

void ReceiveDatagrams(const NetSocket& socket, const bool& running, const DatagramHandler& handle)
{
    int failedSelects = 0;
    while (running) {
        char buffer[RECEIVE_BUFFER_SIZE];
        std::memset(buffer, 0, sizeof buffer);

        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(socket.Handle(), &readable);
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
        int received = ::recvfrom(socket.Handle(), buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&source),
                                  &sourceLength);
        if (received == SOCKET_ERROR || received == 0)
            continue;
        handle(buffer, received, ::ntohl(source.sin_addr.s_addr));
    }
}
