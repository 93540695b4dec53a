// The UDP side of the boxes: answers probes, takes set commands, records when probes
// arrived, and lets the control channel send extra or malformed datagrams to the last prober.
#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tools/boxsim/box_table.h"
#include "tools/boxsim/probe_record.h"

class DiscoveryResponder {
public:
    DiscoveryResponder(BoxTable& boxes, bool followSet);

    // Binds 0.0.0.0:34462; false with a reason when that fails.
    bool Open(std::string& error);
    // Receives and handles datagrams for ever.
    void Run();

    // Sends count announcements with ids base.. to the last prober now, or arms
    // them for the next probe. Returns a line saying which happened.
    std::string Flood(int count, DeviceId base, bool waitForNextProbe);
    // Sends raw bytes as one datagram to the last prober.
    bool SendRaw(const std::vector<std::uint8_t>& bytes, std::string& result);

    ProbeRecord& Probes() { return probes_; }

private:
    // How one datagram arrived, from its control messages.
    struct Arrival {
        unsigned interfaceIndex = 0;  // 0 when unknown
        Ipv4Host destination = 0;     // the address in its IP header
        std::int64_t ms = 0;          // the kernel's receive time, ms since the Unix epoch
    };
    static Arrival ReadArrival(msghdr& message);
    void HandleDatagram(const std::uint8_t* bytes, std::size_t length, const sockaddr_in& from,
                        const Arrival& arrival);
    bool IsBroadcast(Ipv4Host destination) const;
    // A broadcast is answered by every box on the link it came in on, as real boxes on one
    // segment do; a probe sent to one address only by the box that has that address.
    void AnswerProbe(const sockaddr_in& to, const Arrival& arrival);
    void ApplySet(const DeviceDatagram& command);
    void SendFloodAnnouncements(int count, DeviceId base, const sockaddr_in& to);
    // Sends from the given local address (0: the kernel chooses).
    bool SendFrom(Ipv4Host source, const sockaddr_in& to, const void* data, std::size_t length);
    // The address a box answers from: its own when configured here, else the first local one.
    Ipv4Host SourceFor(const Box& box);

    BoxTable& boxes_;
    bool followSet_;
    int fd_ = -1;
    std::vector<Ipv4Host> broadcastAddresses_;  // read once, at Open
    ProbeRecord probes_;

    std::mutex mutex_;  // guards everything below
    bool haveProber_ = false;
    sockaddr_in lastProber_{};
    int pendingFloodCount_ = 0;
    DeviceId pendingFloodBase_ = 0;
    std::set<std::pair<DeviceId, Ipv4Host>> warnedBoxes_;
};
