// The probes the boxes received: when each arrived and where it was addressed, so that tests
// can check how fast a program probes, which addresses it probed and when it stopped.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "discovery/DeviceDatagram.h"

class ProbeRecord {
public:
    // arrivedMs: the kernel's arrival time, milliseconds since the Unix epoch.
    void Add(std::int64_t arrivedMs, Ipv4Host destination, bool broadcast);
    void Clear();

    // Of the probes that arrived at sinceMs or later: "count=N unicast=U addresses=A peak=P
    // first=MS last=MS": every probe, those not sent to a broadcast address, the distinct
    // unicast destinations, the most probes that arrived within any windowMs, and the first
    // and last arrival (0 when none came).
    std::string Summary(std::int64_t sinceMs, std::int64_t windowMs) const;
    // One line "a.b.c.d N" per destination, in address order.
    std::vector<std::string> PerAddress(std::int64_t sinceMs) const;

private:
    struct Arrival;
    std::vector<Arrival> Since(std::int64_t sinceMs) const;

    struct Arrival {
        std::int64_t ms;
        Ipv4Host destination;
        bool broadcast;
    };
    mutable std::mutex mutex_;
    std::vector<Arrival> arrivals_;  // in arrival order
};
