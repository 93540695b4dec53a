// The simulated boxes: what each one announces and where it answers from.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "discovery/AnnouncedBox.h"

// What the box announces (staticIp is its static address), and where it answers from.
struct Box : AnnouncedBox {
    Ipv4Host ip = 0;  // current address: the source of its announcements
};

// Board codes handed out in turn to boxes that do not name one.
std::uint32_t DefaultBoardCode(std::size_t index);

// Fills a box from the given id and address with the usual defaults:
// static = ip, mask 255.255.255.0, gateway x.y.z.1, MAC 02:00:00 + low id bytes.
Box MakeDefaultBox(DeviceId id, Ipv4Host ip, std::uint32_t board);

// Parses "id=..,ip=..,static=..,mask=..,gw=..,mac=..,board=.."; every key is optional,
// missing ones are derived from defaultId / defaultIp as MakeDefaultBox does.
bool ParseBoxFields(const std::string& fields, DeviceId defaultId, Ipv4Host defaultIp,
                  std::uint32_t defaultBoard, Box& box, std::string& error);

// "id=.. ip=.. static=.. mask=.. gw=.. mac=.. board=.."
std::string DescribeBox(const Box& box);

class BoxTable {
public:
    void Add(const Box& box);
    bool Remove(DeviceId id);
    void RemoveAll();
    std::vector<Box> Snapshot() const;
    std::size_t Count() const;

    // Applies a set command to every box whose id and MAC both match it and
    // returns the boxes as they are afterwards. moveCurrentIp also moves the
    // address the box answers from to the new static address.
    std::vector<Box> ApplySet(const DeviceDatagram& command, bool moveCurrentIp);

private:
    mutable std::mutex mutex_;
    std::vector<Box> boxes_;
};
