#include "tools/boxsim/control_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <thread>

#include "tools/boxsim/event_log.h"
#include "tools/boxsim/net_util.h"

namespace {

constexpr std::size_t MAX_RAW_DATAGRAM = 3000;

std::string Upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    return text;
}

std::string Trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return "";
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// The log kinds LOG may ask for, by the prefix of their lines (STREAM: a stream connection
// ended; WARN: a send failed or a box answers from another address; DAMAGE: damage done to a
// stream).
bool LogPrefix(const std::string& kind, std::string& prefix)
{
    if (kind.empty() || kind == "RX") prefix = "RX ";
    else if (kind == "SET") prefix = "SET ";
    else if (kind == "HTTP") prefix = "HTTP ";
    else if (kind == "STREAM") prefix = "STREAM ";
    else if (kind == "WARN") prefix = "WARN ";
    else if (kind == "DAMAGE") prefix = "DAMAGE ";
    else if (kind == "ALL") prefix = "";
    else return false;
    return true;
}

}  // namespace

ControlServer::ControlServer(BoxTable& boxes, DiscoveryResponder& discovery, StreamServer& streams)
    : boxes_(boxes), discovery_(discovery), streams_(streams)
{
}

bool ControlServer::Open(unsigned short port, std::string& error)
{
    listenFd_ = OpenTcpListener(port, 16, error);
    return listenFd_ >= 0;
}

void ControlServer::Run()
{
    for (;;) {
        const int fd = accept(listenFd_, nullptr, nullptr);
        if (fd < 0) {
            if (errno != EINTR && errno != ECONNABORTED) usleep(100000);
            continue;
        }
        std::thread([this, fd] { Serve(fd); }).detach();
    }
}

void ControlServer::Serve(int fd)
{
    std::string pending;
    char chunk[4096];
    for (;;) {
        const ssize_t got = recv(fd, chunk, sizeof chunk, 0);
        if (got <= 0) break;
        pending.append(chunk, static_cast<std::size_t>(got));
        std::size_t end;
        while ((end = pending.find('\n')) != std::string::npos) {
            const std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            std::string answer;
            for (const std::string& part : Execute(line)) {
                answer += part + "\n";
            }
            for (std::size_t sent = 0; sent < answer.size();) {
                const ssize_t n = send(fd, answer.data() + sent, answer.size() - sent, MSG_NOSIGNAL);
                if (n <= 0) break;
                sent += static_cast<std::size_t>(n);
            }
            if (Upper(Trim(line)) == "QUIT") {
                LogLine("QUIT by control command");
                std::fflush(nullptr);
                _exit(0);
            }
        }
    }
    close(fd);
}

std::vector<std::string> ControlServer::Execute(const std::string& line)
{
    const std::string text = Trim(line);
    const auto space = text.find(' ');
    const std::string command = Upper(text.substr(0, space));
    const std::string argument = space == std::string::npos ? "" : Trim(text.substr(space + 1));
    std::vector<std::string> out;

    if (command == "LOG") {
        std::string prefix;
        if (!LogPrefix(Upper(argument), prefix)) return {"ERR unknown log kind '" + argument + "'"};
        out = LoggedLines(prefix);
    } else if (command == "CLEAR") {
        ClearLoggedLines();
        discovery_.Probes().Clear();
    } else if (command == "RESET") {
        // A test's clean start: no boxes, no log, no probes recorded, streams flowing again.
        boxes_.RemoveAll();
        ClearLoggedLines();
        discovery_.Probes().Clear();
        streams_.SetSilent(false);
        streams_.RestoreRate();
        streams_.SetHeaderMode(HeaderMode::NORMAL);
        streams_.Damages().Clear();
    } else if (command == "PROBES") {
        std::istringstream words(Upper(argument));
        std::string word, number;
        bool perAddress = false;
        long long since = 0, window = 1000;
        while (words >> word) {
            if (word == "PER") {
                perAddress = true;
            } else if (!(word == "SINCE" && words >> number && ParseInteger(number, 0, INT64_MAX, since)) &&
                       !(word == "WINDOW" && words >> number && ParseInteger(number, 1, 3600000, window))) {
                return {"ERR usage: PROBES [PER] [SINCE MS] [WINDOW MS]"};
            }
        }
        if (perAddress) out = discovery_.Probes().PerAddress(since);
        out.push_back("PROBES " + discovery_.Probes().Summary(since, window));
    } else if (command == "BOXES") {
        for (const Box& box : boxes_.Snapshot()) out.push_back(DescribeBox(box));
    } else if (command == "ADD") {
        const auto existing = boxes_.Snapshot();
        DeviceId nextId = 1001;
        for (const Box& box : existing) nextId = std::max<DeviceId>(nextId, box.id + 1);
        Box box;
        std::string why;
        if (!ParseBoxFields(argument, nextId, FirstLocalAddress(0), DefaultBoardCode(existing.size()), box, why)) {
            return {"ERR " + why};
        }
        boxes_.Add(box);
        out.push_back(DescribeBox(box));
    } else if (command == "REMOVE") {
        long long id = 0;
        if (!ParseInteger(argument, INT32_MIN, INT32_MAX, id)) return {"ERR usage: REMOVE id"};
        if (!boxes_.Remove(static_cast<DeviceId>(id))) return {"ERR no box " + argument};
    } else if (command == "FLOOD") {
        std::istringstream words(argument);
        std::string countText, baseText, when;
        words >> countText >> baseText >> when;
        long long count = 0, base = 0;
        if (!ParseInteger(countText, 1, 100000, count) || !ParseInteger(baseText, INT32_MIN, UINT32_MAX, base) ||
            (!when.empty() && Upper(when) != "NEXT")) {
            return {"ERR usage: FLOOD n base [NEXT]"};
        }
        out.push_back(discovery_.Flood(static_cast<int>(count), static_cast<DeviceId>(static_cast<std::uint32_t>(base)),
                                       !when.empty()));
    } else if (command == "SEND") {
        std::vector<std::uint8_t> bytes;
        if (!ParseHex(argument, bytes)) return {"ERR bad hex"};
        if (bytes.size() > MAX_RAW_DATAGRAM) return {"ERR more than 3000 bytes"};
        std::string result;
        if (!discovery_.SendRaw(bytes, result)) return {"ERR " + result};
        out.push_back(result);
    } else if (command == "SILENT") {
        const std::string mode = Upper(argument);
        if (mode != "ON" && mode != "OFF") return {"ERR usage: SILENT on|off"};
        streams_.SetSilent(mode == "ON");
    } else if (command == "RATE") {
        long long kbps = 0;
        if (argument.empty()) streams_.RestoreRate();
        else if (ParseInteger(argument, 1, 10000000, kbps)) streams_.SetRate(static_cast<unsigned>(kbps));
        else return {"ERR usage: RATE [kbps] (1 or more)"};
    } else if (command == "HEADER") {
        const std::string mode = Upper(argument);
        if (mode == "NORMAL") streams_.SetHeaderMode(HeaderMode::NORMAL);
        else if (mode == "TRICKLE") streams_.SetHeaderMode(HeaderMode::TRICKLE);
        else if (mode == "ENDLESS") streams_.SetHeaderMode(HeaderMode::ENDLESS);
        else return {"ERR usage: HEADER normal|trickle|endless"};
    } else if (command == "DAMAGE") {
        Damage damage;
        std::string why;
        if (!ParseDamage(argument, damage, why)) return {"ERR " + why};
        streams_.Damages().Push(damage);
        out.push_back("QUEUED " + DescribeDamage(damage));
    } else if (command == "STREAMS") {
        out = streams_.Describe();
    } else if (command == "DROPSTREAMS") {
        out.push_back("DROPPED " + std::to_string(streams_.DropAll()));
    } else if (command == "QUIT") {
        // Serve answers first and then ends the process.
    } else if (command.empty()) {
        return {"ERR empty command"};
    } else {
        return {"ERR unknown command '" + command + "'"};
    }
    out.push_back("OK");
    return out;
}
