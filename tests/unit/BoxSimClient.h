// The box simulator's control channel and log, as the tests and benchmarks on the test LAN use
// them. Free of gtest, so the benchmarks use it too.
#pragma once

#include "discovery/NetSocket.h"

#include <cstdint>
#include <string>
#include <vector>

// The bytes as lower-case hex digits, two per byte (the box simulator's SEND and log form).
std::string Hex(const void* bytes, int length);

// The box simulator's control channel (ORVANE_BOXSIM host:port): one command line out, the
// answer lines back up to and without the closing "OK"; ok is false on "ERR ..." or no answer.
class BoxSim {
public:
    BoxSim();
    ~BoxSim();
    BoxSim(const BoxSim&) = delete;
    BoxSim& operator=(const BoxSim&) = delete;

    bool Connected() const { return m_socket.IsValid(); }
    std::vector<std::string> Command(const std::string& line, bool* ok = nullptr);
    // Forgets every box and the log.
    bool Reset();
    // The logged RX lines ("RX a.b.c.d:port len=N type=T hex=..."); ParseReceivedLine reads one.
    std::vector<std::string> ReceivedLines();

private:
    NetSocket m_socket;
    std::string m_pending;
};

// One datagram the box simulator logged: "RX 10.86.1.1:40497 len=184 type=100 hex=6400...".
// Each part is the line's own text; a part the line lacks is empty (type is "-" for a datagram
// shorter than four bytes, hex is empty for an empty one).
struct ReceivedDatagram {
    std::string source;    // "10.86.1.1"
    std::string endpoint;  // "10.86.1.1:40497"
    std::string length;    // "184"
    std::string type;      // "100"
    std::string hex;
};
ReceivedDatagram ParseReceivedLine(const std::string& line);

// One command to the box simulator on a connection of its own; the answer's lines come back
// without the final OK. False on ERR or when it cannot be reached.
bool BoxSimCommand(const std::string& line, std::vector<std::string>* answer = nullptr);
// LOG RX lines of datagrams of the given message type.
std::vector<std::string> BoxSimReceived(std::uint32_t msgType);

// Resets the box simulator when there is one, so that no announcement but the test's own reaches
// the dialog. Returns false when ORVANE_BOXSIM names a simulator that does not answer.
bool QuietLan();
