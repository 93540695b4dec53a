#include "tools/boxsim/box_table.h"

#include <cstring>
#include <sstream>

#include "tools/boxsim/net_util.h"

std::uint32_t DefaultBoardCode(std::size_t index)
{
    static const std::uint32_t codes[] = {100,  200,  1000, 1302, 1,    201,  300,  500,
                                          600,  700,  800,  801,  900,  1100, 1200, 1201,
                                          1202, 1301, 2000, 3000, 3001, 5000};
    return codes[index % (sizeof codes / sizeof codes[0])];
}

Box MakeDefaultBox(DeviceId id, Ipv4Host ip, std::uint32_t board)
{
    Box box;
    box.id = id;
    box.ip = ip;
    box.staticIp = ip;
    box.netmask = 0xFFFFFF00u;
    box.gateway = (ip & 0xFFFFFF00u) | 1u;
    const auto bits = static_cast<std::uint32_t>(id);
    const std::uint8_t mac[6] = {0x02, 0x00, 0x00, static_cast<std::uint8_t>(bits >> 16),
                                 static_cast<std::uint8_t>(bits >> 8),
                                 static_cast<std::uint8_t>(bits)};
    std::memcpy(box.mac, mac, 6);
    box.boardType = board;
    return box;
}

bool ParseBoxFields(const std::string& fields, DeviceId defaultId, Ipv4Host defaultIp,
                  std::uint32_t defaultBoard, Box& box, std::string& error)
{
    // Two passes: id and ip first, because the other defaults follow from them.
    std::vector<std::pair<std::string, std::string>> pairs;
    std::stringstream stream(fields);
    std::string item;
    while (std::getline(stream, item, ',')) {
        if (item.empty()) continue;
        const auto eq = item.find('=');
        if (eq == std::string::npos) {
            error = "expected key=value, got '" + item + "'";
            return false;
        }
        pairs.emplace_back(item.substr(0, eq), item.substr(eq + 1));
    }

    long long id = defaultId;
    Ipv4Host ip = defaultIp;
    long long board = defaultBoard;
    for (const auto& [key, value] : pairs) {
        if (key == "id" && !ParseInteger(value, INT32_MIN, UINT32_MAX, id)) {
            error = "bad id '" + value + "'";
            return false;
        }
        if (key == "ip" && !ParseIpv4(value, ip)) {
            error = "bad ip '" + value + "'";
            return false;
        }
        if (key == "board" && !ParseInteger(value, 0, UINT32_MAX, board)) {
            error = "bad board '" + value + "'";
            return false;
        }
    }
    // Ids above INT32_MAX are taken as their two's-complement bit pattern.
    box = MakeDefaultBox(static_cast<DeviceId>(static_cast<std::uint32_t>(id)), ip,
                         static_cast<std::uint32_t>(board));

    bool gatewayGiven = false;
    for (const auto& [key, value] : pairs) {
        bool ok = true;
        if (key == "static") {
            ok = ParseIpv4(value, box.staticIp);
        } else if (key == "mask") {
            ok = ParseIpv4(value, box.netmask);
        } else if (key == "gw") {
            ok = ParseIpv4(value, box.gateway);
            gatewayGiven = true;
        } else if (key == "mac") {
            ok = ParseMac(value, box.mac);
        } else if (key != "id" && key != "ip" && key != "board") {
            error = "unknown key '" + key + "'";
            return false;
        }
        if (!ok) {
            error = "bad " + key + " '" + value + "'";
            return false;
        }
    }
    if (!gatewayGiven) {
        box.gateway = (box.staticIp & 0xFFFFFF00u) | 1u;
    }
    return true;
}

std::string DescribeBox(const Box& box)
{
    return "id=" + std::to_string(box.id) + " ip=" + Ipv4Text(box.ip) +
           " static=" + Ipv4Text(box.staticIp) + " mask=" + Ipv4Text(box.netmask) +
           " gw=" + Ipv4Text(box.gateway) + " mac=" + MacText(box.mac) +
           " board=" + std::to_string(box.boardType);
}

void BoxTable::Add(const Box& box)
{
    std::lock_guard<std::mutex> lock(mutex_);
    boxes_.push_back(box);
}

bool BoxTable::Remove(DeviceId id)
{
    std::lock_guard<std::mutex> lock(mutex_);
    const auto before = boxes_.size();
    for (auto it = boxes_.begin(); it != boxes_.end();) {
        it = it->id == id ? boxes_.erase(it) : it + 1;
    }
    return boxes_.size() != before;
}

void BoxTable::RemoveAll()
{
    std::lock_guard<std::mutex> lock(mutex_);
    boxes_.clear();
}

std::vector<Box> BoxTable::Snapshot() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return boxes_;
}

std::size_t BoxTable::Count() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return boxes_.size();
}

std::vector<Box> BoxTable::ApplySet(const DeviceDatagram& command, bool moveCurrentIp)
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<Box> changed;
    for (Box& box : boxes_) {
        if (box.id != command.deviceId || std::memcmp(box.mac, command.mac, 6) != 0) continue;
        box.staticIp = command.newStaticIp;
        box.netmask = command.newNetmask;
        box.gateway = command.newGateway;
        if (moveCurrentIp) {
            box.ip = command.newStaticIp;
        }
        changed.push_back(box);
    }
    return changed;
}
