#include "tests/unit/BoxSimClient.h"

#include "tests/unit/TestLan.h"

#include <cstdlib>

namespace {

// A TCP connection to the simulator's control port, or INVALID_SOCKET.
SOCKET ConnectToBoxSim()
{
    std::string endpoint = EnvText("ORVANE_BOXSIM");
    size_t colon = endpoint.rfind(':');
    if (colon == std::string::npos)
        return INVALID_SOCKET;
    SocketStartup();
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = ::htons((u_short)std::atoi(endpoint.c_str() + colon + 1));
    address.sin_addr.s_addr = ::inet_addr(endpoint.substr(0, colon).c_str());
    SOCKET handle = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (handle == INVALID_SOCKET)
        return INVALID_SOCKET;
    DWORD timeoutMs = 10000;
    ::setsockopt(handle, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs), sizeof timeoutMs);
    if (::connect(handle, reinterpret_cast<const sockaddr*>(&address), sizeof address) == SOCKET_ERROR) {
        ::closesocket(handle);
        return INVALID_SOCKET;
    }
    return handle;
}

} // namespace

std::string Hex(const void* bytes, int length)
{
    static const char digits[] = "0123456789abcdef";
    const unsigned char* data = static_cast<const unsigned char*>(bytes);
    std::string text;
    for (int i = 0; i < length; ++i) {
        text += digits[data[i] >> 4];
        text += digits[data[i] & 15];
    }
    return text;
}

BoxSim::BoxSim() : m_socket(ConnectToBoxSim()) {}

BoxSim::~BoxSim()
{
    m_socket.ShutdownAndClose();
}

std::vector<std::string> BoxSim::Command(const std::string& line, bool* ok)
{
    std::vector<std::string> lines;
    if (ok)
        *ok = false;
    if (!Connected())
        return lines;
    std::string request = line + "\n";
    if (::send(m_socket.Handle(), request.data(), (int)request.size(), 0) != (int)request.size())
        return lines;
    for (;;) {
        size_t end;
        while ((end = m_pending.find('\n')) != std::string::npos) {
            std::string answer = m_pending.substr(0, end);
            m_pending.erase(0, end + 1);
            if (!answer.empty() && answer.back() == '\r')
                answer.pop_back();
            if (answer == "OK") {
                if (ok)
                    *ok = true;
                return lines;
            }
            if (answer.compare(0, 4, "ERR ") == 0 || answer == "ERR") {
                lines.push_back(answer);
                return lines;
            }
            lines.push_back(answer);
        }
        char chunk[65536];
        int got = ::recv(m_socket.Handle(), chunk, sizeof chunk, 0);
        if (got <= 0)
            return lines;
        m_pending.append(chunk, got);
    }
}

bool BoxSim::Reset()
{
    bool ok = false;
    Command("RESET", &ok);
    return ok;
}

std::vector<std::string> BoxSim::ReceivedLines()
{
    return Command("LOG RX");
}

ReceivedDatagram ParseReceivedLine(const std::string& line)
{
    ReceivedDatagram parsed;
    if (line.compare(0, 3, "RX ") != 0)
        return parsed;
    parsed.endpoint = line.substr(3, line.find(' ', 3) - 3);
    parsed.source = parsed.endpoint.substr(0, parsed.endpoint.rfind(':'));
    auto field = [&](const char* name) {
        const std::string key = std::string(" ") + name + "=";
        size_t at = line.find(key);
        if (at == std::string::npos)
            return std::string();
        at += key.size();
        return line.substr(at, line.find(' ', at) - at);
    };
    parsed.length = field("len");
    parsed.type = field("type");
    parsed.hex = field("hex");
    return parsed;
}

bool BoxSimCommand(const std::string& line, std::vector<std::string>* answer)
{
    BoxSim boxsim;
    bool ok = false;
    std::vector<std::string> lines = boxsim.Command(line, &ok);
    if (answer)
        *answer = lines;
    return ok;
}

std::vector<std::string> BoxSimReceived(std::uint32_t msgType)
{
    const std::string type = std::to_string(msgType);
    std::vector<std::string> matching;
    BoxSim boxsim;
    for (const std::string& line : boxsim.ReceivedLines()) {
        if (ParseReceivedLine(line).type == type)
            matching.push_back(line);
    }
    return matching;
}

bool QuietLan()
{
    if (EnvText("ORVANE_BOXSIM").empty())
        return true;
    BoxSim boxsim;
    return boxsim.Connected() && boxsim.Reset();
}
