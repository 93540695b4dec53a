#include "tools/boxsim/discovery.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>

#include "tools/boxsim/event_log.h"
#include "tools/boxsim/net_util.h"

namespace {

std::string EndpointText(const sockaddr_in& address)
{
    return Ipv4Text(ntohl(address.sin_addr.s_addr)) + ":" + std::to_string(ntohs(address.sin_port));
}

// Flood boxes live in a subnet of their own so they never look like the configured ones.
Box MakeFloodBox(DeviceId id, int index)
{
    const Ipv4Host staticIp = (10u << 24 | 200u << 16) + static_cast<Ipv4Host>(index + 2);
    Box box = MakeDefaultBox(id, staticIp, DefaultBoardCode(static_cast<std::size_t>(index)));
    box.netmask = 0xFFFF0000u;
    box.gateway = 10u << 24 | 200u << 16 | 1u;
    return box;
}

}  // namespace

DiscoveryResponder::DiscoveryResponder(BoxTable& boxes, bool followSet)
    : boxes_(boxes), followSet_(followSet)
{
}

bool DiscoveryResponder::Open(std::string& error)
{
    fd_ = socket(AF_INET, SOCK_DGRAM, 0);
    if (fd_ < 0) {
        error = std::string("udp socket: ") + std::strerror(errno);
        return false;
    }
    const int on = 1;
    setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    setsockopt(fd_, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    setsockopt(fd_, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
    // The kernel's receive time: the rate of probes as they arrived, not as we got to them.
    setsockopt(fd_, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
    broadcastAddresses_ = BroadcastAddresses();
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(DISCOVERY_PORT);
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        error = "bind udp 0.0.0.0:" + std::to_string(DISCOVERY_PORT) + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

void DiscoveryResponder::Run()
{
    // Larger than any datagram a test sends; MSG_TRUNC still reports the real length.
    std::vector<std::uint8_t> buffer(65536);
    for (;;) {
        sockaddr_in from{};
        iovec data{buffer.data(), buffer.size()};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo)) + CMSG_SPACE(sizeof(timespec))];
        msghdr message{};
        message.msg_name = &from;
        message.msg_namelen = sizeof from;
        message.msg_iov = &data;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        const ssize_t length = recvmsg(fd_, &message, MSG_TRUNC);
        if (length < 0) {
            if (errno != EINTR) {
                LogLine(std::string("WARN udp receive: ") + std::strerror(errno));
                usleep(100000);
            }
            continue;
        }
        const std::size_t kept = std::min<std::size_t>(static_cast<std::size_t>(length), buffer.size());
        HandleDatagram(buffer.data(), kept, from, ReadArrival(message));
    }
}

DiscoveryResponder::Arrival DiscoveryResponder::ReadArrival(msghdr& message)
{
    Arrival arrival;
    timespec received{};
    clock_gettime(CLOCK_REALTIME, &received);
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header; header = CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level == IPPROTO_IP && header->cmsg_type == IP_PKTINFO) {
            in_pktinfo info;
            std::memcpy(&info, CMSG_DATA(header), sizeof info);
            arrival.interfaceIndex = static_cast<unsigned>(info.ipi_ifindex);
            arrival.destination = ntohl(info.ipi_addr.s_addr);
        } else if (header->cmsg_level == SOL_SOCKET && header->cmsg_type == SCM_TIMESTAMPNS) {
            std::memcpy(&received, CMSG_DATA(header), sizeof received);
        }
    }
    arrival.ms = static_cast<std::int64_t>(received.tv_sec) * 1000 + received.tv_nsec / 1000000;
    return arrival;
}

bool DiscoveryResponder::IsBroadcast(Ipv4Host destination) const
{
    return std::find(broadcastAddresses_.begin(), broadcastAddresses_.end(), destination) !=
           broadcastAddresses_.end();
}

void DiscoveryResponder::HandleDatagram(const std::uint8_t* bytes, std::size_t length,
                                        const sockaddr_in& from, const Arrival& arrival)
{
    std::string type = "-";
    std::uint32_t msgType = 0;
    if (length >= 4) {
        msgType = static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
                  static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
        type = std::to_string(msgType);
    }
    LogLine("RX " + EndpointText(from) + " len=" + std::to_string(length) + " type=" + type +
            " hex=" + HexText(bytes, length) + " to=" + Ipv4Text(arrival.destination));

    if (length != DATAGRAM_SIZE) return;
    if (msgType == MSG_PROBE) {
        probes_.Add(arrival.ms, arrival.destination, IsBroadcast(arrival.destination));
        AnswerProbe(from, arrival);
    } else if (msgType == MSG_SET_NETWORK) {
        DeviceDatagram command;
        std::memcpy(&command, bytes, sizeof command);
        ApplySet(command);
    }
}

void DiscoveryResponder::AnswerProbe(const sockaddr_in& to, const Arrival& arrival)
{
    int floodCount = 0;
    DeviceId floodBase = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        haveProber_ = true;
        lastProber_ = to;
        std::swap(floodCount, pendingFloodCount_);
        floodBase = pendingFloodBase_;
    }
    // Each box answers once per probe, from its own address.
    const bool broadcast = IsBroadcast(arrival.destination);
    for (const Box& box : boxes_.Snapshot()) {
        const DeviceDatagram answer = MakeAnnouncementDatagram(box);
        if (!broadcast) {
            // The probe reached this namespace at its destination, so a box there may answer from it.
            if (box.ip == arrival.destination) SendFrom(box.ip, to, &answer, sizeof answer);
            continue;
        }
        const unsigned boxLink = InterfaceIndexOf(box.ip);
        if (arrival.interfaceIndex != 0 && boxLink != 0 && boxLink != arrival.interfaceIndex) continue;
        SendFrom(SourceFor(box), to, &answer, sizeof answer);
    }
    if (floodCount > 0) {
        SendFloodAnnouncements(floodCount, floodBase, to);
    }
}

void DiscoveryResponder::ApplySet(const DeviceDatagram& command)
{
    const bool move = followSet_ && IsLocalAddress(command.newStaticIp);
    for (const Box& box : boxes_.ApplySet(command, move)) {
        LogLine("SET id=" + std::to_string(box.id) + " ip=" + Ipv4Text(box.staticIp) +
                " mask=" + Ipv4Text(box.netmask) + " gw=" + Ipv4Text(box.gateway) +
                (move ? " current=" + Ipv4Text(box.ip) : std::string()));
    }
}

void DiscoveryResponder::SendFloodAnnouncements(int count, DeviceId base, const sockaddr_in& to)
{
    const Ipv4Host source = FirstLocalAddress(0);
    for (int i = 0; i < count; ++i) {
        const auto id = static_cast<DeviceId>(static_cast<std::uint32_t>(base) + static_cast<std::uint32_t>(i));
        const DeviceDatagram answer = MakeAnnouncementDatagram(MakeFloodBox(id, i));
        SendFrom(source, to, &answer, sizeof answer);
    }
}

std::string DiscoveryResponder::Flood(int count, DeviceId base, bool waitForNextProbe)
{
    sockaddr_in to{};
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (waitForNextProbe || !haveProber_) {
            pendingFloodCount_ = count;
            pendingFloodBase_ = base;
            return "FLOOD armed " + std::to_string(count) + " for the next probe";
        }
        to = lastProber_;
    }
    SendFloodAnnouncements(count, base, to);
    return "FLOOD sent " + std::to_string(count) + " to " + EndpointText(to);
}

bool DiscoveryResponder::SendRaw(const std::vector<std::uint8_t>& bytes, std::string& result)
{
    sockaddr_in to{};
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!haveProber_) {
            result = "no probe seen yet";
            return false;
        }
        to = lastProber_;
    }
    if (!SendFrom(FirstLocalAddress(0), to, bytes.data(), bytes.size())) {
        result = std::string("send failed: ") + std::strerror(errno);
        return false;
    }
    result = "SENT " + std::to_string(bytes.size()) + " to " + EndpointText(to);
    return true;
}

bool DiscoveryResponder::SendFrom(Ipv4Host source, const sockaddr_in& to, const void* data,
                                  std::size_t length)
{
    iovec part{const_cast<void*>(data), length};
    msghdr message{};
    message.msg_name = const_cast<sockaddr_in*>(&to);
    message.msg_namelen = sizeof to;
    message.msg_iov = &part;
    message.msg_iovlen = 1;

    // IP_PKTINFO with ipi_spec_dst picks the source address of this one datagram,
    // so one socket bound to the wildcard address can speak for every box.
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    if (source != 0) {
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        cmsghdr* header = CMSG_FIRSTHDR(&message);
        header->cmsg_level = IPPROTO_IP;
        header->cmsg_type = IP_PKTINFO;
        header->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
        in_pktinfo info{};
        info.ipi_spec_dst.s_addr = htonl(source);
        std::memcpy(CMSG_DATA(header), &info, sizeof info);
    }
    if (sendmsg(fd_, &message, 0) < 0) {
        LogLine("WARN send to " + EndpointText(to) + " from " + Ipv4Text(source) + ": " +
                std::strerror(errno));
        return false;
    }
    return true;
}

Ipv4Host DiscoveryResponder::SourceFor(const Box& box)
{
    if (CanSendFrom(box.ip)) {
        return box.ip;
    }
    const Ipv4Host fallback = FirstLocalAddress(0);
    std::lock_guard<std::mutex> lock(mutex_);
    if (warnedBoxes_.insert({box.id, box.ip}).second) {
        LogLine("WARN box " + std::to_string(box.id) + ": " + Ipv4Text(box.ip) +
                " is not a local address; answering from " + Ipv4Text(fallback));
    }
    return fallback;
}
