// The receiving side that every discovery socket shares: waits up to RECEIVE_WAIT_S for a
// datagram, reads it into a zeroed 2048-byte buffer and hands it on with its source address.
#pragma once

#include "discovery/NetSocket.h"

#include <functional>

constexpr int RECEIVE_BUFFER_SIZE = 2048;
constexpr long RECEIVE_WAIT_S = 1;
// Room for one answer from each of about 5,000 boxes: a 184-byte datagram takes about 1 KiB of
// socket buffer, and Linux grants twice the size asked for, up to its rmem_max.
constexpr int RECEIVE_SOCKET_BUFFER_BYTES = 4 << 20;

using DatagramHandler = std::function<void(const char* bytes, int length, Ipv4Host source)>;

// Asks the socket for RECEIVE_SOCKET_BUFFER_BYTES of receive buffer; the result is not examined.
void AskForLargeReceiveBuffer(const NetSocket& socket);

// The body of a receiver thread: never returns while running is true. A select that keeps
// failing makes it pause, so that a broken socket does not spin a core.
void ReceiveDatagrams(const NetSocket& socket, const bool& running, const DatagramHandler& handle);
