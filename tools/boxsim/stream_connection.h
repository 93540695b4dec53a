// One HTTP connection to a box: the endless stream for /0.ts, a small page for /,
// and 404 for anything else.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "tools/boxsim/box_table.h"
#include "tools/boxsim/stream_damage.h"

struct ConnectionState {
    std::string peer;        // a.b.c.d:port of the client
    Ipv4Host local = 0;      // the box address the client connected to
    std::atomic<bool> drop{false};
    std::atomic<std::uint64_t> bytesSent{0};
    std::atomic<bool> streaming{false};
};

// How a stream response begins: the usual header at once, the same header one byte at a time
// (HEADER_TRICKLE_PERIOD apart), or a header that never ends (fields without the empty line,
// until the client goes away).
enum class HeaderMode { NORMAL, TRICKLE, ENDLESS };

struct StreamContext {
    BoxTable& boxes;
    const std::atomic<unsigned>& rateKbps;  // 0: as fast as the client reads (chosen as a stream starts)
    const std::atomic<bool>& silent;
    const std::atomic<HeaderMode>& headerMode;
    DamageQueue& damage;  // damage asked for, taken by the next stream that sends
};

// Serves the connection and closes fd; a dropped connection is reset, not closed gracefully.
void ServeConnection(int fd, ConnectionState& state, const StreamContext& context);
