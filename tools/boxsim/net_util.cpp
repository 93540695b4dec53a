#include "tools/boxsim/net_util.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

bool ParseInteger(const std::string& text, long long low, long long high, long long& out)
{
    std::size_t first = text.compare(0, 1, "-") == 0 ? 1 : 0;
    int base = 10;
    if (text.compare(first, 2, "0x") == 0 || text.compare(first, 2, "0X") == 0) {
        base = 16;
        first += 2;
    }
    // strtoll alone would also take leading blanks, a '+' and, with base 0, octal.
    if (first >= text.size() || !(base == 16 ? std::isxdigit(static_cast<unsigned char>(text[first]))
                                              : std::isdigit(static_cast<unsigned char>(text[first])))) {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, base);
    if (*end != '\0' || errno == ERANGE || value < low || value > high) {
        return false;
    }
    out = value;
    return true;
}

bool ParseIpv4(const std::string& text, Ipv4Host& out)
{
    in_addr addr{};
    if (inet_pton(AF_INET, text.c_str(), &addr) != 1) {
        return false;
    }
    out = ntohl(addr.s_addr);
    return true;
}

std::string Ipv4Text(Ipv4Host host)
{
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", (host >> 24) & 0xFF, (host >> 16) & 0xFF,
                  (host >> 8) & 0xFF, host & 0xFF);
    return text;
}

bool ParseMac(const std::string& text, std::uint8_t mac[6])
{
    std::vector<std::uint8_t> bytes;
    if (!ParseHex(text, bytes) || bytes.size() != 6) {
        return false;
    }
    for (int i = 0; i < 6; ++i) {
        mac[i] = bytes[i];
    }
    return true;
}

std::string MacText(const std::uint8_t mac[6])
{
    char text[18];
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", mac[0], mac[1], mac[2],
                  mac[3], mac[4], mac[5]);
    return text;
}

std::string HexText(const void* bytes, std::size_t length)
{
    static const char digits[] = "0123456789abcdef";
    const auto* p = static_cast<const std::uint8_t*>(bytes);
    std::string text;
    text.reserve(length * 2);
    for (std::size_t i = 0; i < length; ++i) {
        text += digits[p[i] >> 4];
        text += digits[p[i] & 0x0F];
    }
    return text;
}

static int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool ParseHex(const std::string& text, std::vector<std::uint8_t>& out)
{
    out.clear();
    int high = -1;
    for (char c : text) {
        if (c == ' ' || c == ':' || c == '-' || c == '\t') {
            if (high >= 0) return false;  // a separator may not split a byte
            continue;
        }
        int digit = HexDigit(c);
        if (digit < 0) return false;
        if (high < 0) {
            high = digit;
        } else {
            out.push_back(static_cast<std::uint8_t>(high << 4 | digit));
            high = -1;
        }
    }
    return high < 0;
}

std::vector<Ipv4Host> LocalAddresses()
{
    std::vector<Ipv4Host> hosts;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) {
        return hosts;
    }
    for (ifaddrs* it = list; it != nullptr; it = it->ifa_next) {
        if (it->ifa_addr == nullptr || it->ifa_addr->sa_family != AF_INET) continue;
        if (it->ifa_flags & IFF_LOOPBACK) continue;
        auto* in = reinterpret_cast<sockaddr_in*>(it->ifa_addr);
        Ipv4Host host = ntohl(in->sin_addr.s_addr);
        if ((host >> 24) == 127) continue;
        hosts.push_back(host);
    }
    freeifaddrs(list);
    return hosts;
}

Ipv4Host FirstLocalAddress(Ipv4Host fallback)
{
    const auto locals = LocalAddresses();
    return locals.empty() ? fallback : locals.front();
}

bool IsLocalAddress(Ipv4Host host)
{
    for (Ipv4Host local : LocalAddresses()) {
        if (local == host) return true;
    }
    return false;
}

bool CanSendFrom(Ipv4Host host)
{
    if (IsLocalAddress(host)) return true;
    // bind succeeds only for an address the namespace holds, by interface or by local route.
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0) return false;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(host);
    const bool bound = bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0;
    close(fd);
    return bound;
}

std::vector<Ipv4Host> BroadcastAddresses()
{
    std::vector<Ipv4Host> addresses{0xFFFFFFFFu};
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) {
        return addresses;
    }
    // From address and netmask: "ip addr add" sets no broadcast address unless asked, and then
    // getifaddrs reports the address itself in its place.
    for (ifaddrs* it = list; it != nullptr; it = it->ifa_next) {
        if (it->ifa_addr == nullptr || it->ifa_netmask == nullptr || it->ifa_addr->sa_family != AF_INET ||
            (it->ifa_flags & IFF_LOOPBACK)) {
            continue;
        }
        const Ipv4Host host = ntohl(reinterpret_cast<sockaddr_in*>(it->ifa_addr)->sin_addr.s_addr);
        const Ipv4Host mask = ntohl(reinterpret_cast<sockaddr_in*>(it->ifa_netmask)->sin_addr.s_addr);
        if (~mask > 1) addresses.push_back(host | ~mask);  // a /31 or /32 has none
    }
    freeifaddrs(list);
    return addresses;
}

unsigned InterfaceIndexOf(Ipv4Host host)
{
    unsigned index = 0;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) {
        return 0;
    }
    for (ifaddrs* it = list; it != nullptr && index == 0; it = it->ifa_next) {
        if (it->ifa_addr == nullptr || it->ifa_addr->sa_family != AF_INET) continue;
        auto* in = reinterpret_cast<sockaddr_in*>(it->ifa_addr);
        if (ntohl(in->sin_addr.s_addr) == host) index = if_nametoindex(it->ifa_name);
    }
    freeifaddrs(list);
    return index;
}

int OpenTcpListener(unsigned short port, int backlog, std::string& error)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) {
        error = std::string("tcp socket: ") + std::strerror(errno);
        return -1;
    }
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 || listen(fd, backlog) != 0) {
        error = "listen tcp 0.0.0.0:" + std::to_string(port) + ": " + std::strerror(errno);
        close(fd);
        return -1;
    }
    return fd;
}
