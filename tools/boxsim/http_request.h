// Reads the head of an HTTP request and picks out what the simulator answers to.
#pragma once

#include <atomic>
#include <string>

struct RequestHead {
    std::string bytes;     // exactly what arrived, possibly more than the head
    bool complete = false; // a CR LF CR LF was seen
    std::string method;
    std::string path;      // without any query part
};

// Reads until the first CR LF CR LF, the peer closes, 16 KiB arrive, ten
// seconds pass or stop becomes true. The socket must have a short receive timeout.
RequestHead ReadRequestHead(int fd, const std::atomic<bool>& stop);
