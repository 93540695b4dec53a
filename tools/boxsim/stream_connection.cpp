#include "tools/boxsim/stream_connection.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>
#include <vector>

#include "tools/boxsim/event_log.h"
#include "tools/boxsim/h264_source.h"
#include "tools/boxsim/http_request.h"
#include "tools/boxsim/net_util.h"
#include "tools/boxsim/ts_stream.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t MAX_SEND_CHUNK = 256 * 1024;  // bounds how late SILENT and DROPSTREAMS bite
constexpr auto FRAME_PERIOD = std::chrono::microseconds(1000000 / VIDEO_FRAME_RATE);
constexpr auto MAX_LAG = std::chrono::seconds(1);

const char STREAM_HEADER[] = "HTTP/1.1 200 OK\r\nContent-Type: video/mp2t\r\nConnection: close\r\n\r\n";
constexpr auto HEADER_TRICKLE_PERIOD = std::chrono::milliseconds(100);

class Sender {
public:
    Sender(int fd, ConnectionState& state, const std::atomic<bool>* silent)
        : fd_(fd), state_(state), silent_(silent)
    {
    }

    // False once the client has gone or the connection is being dropped.
    bool Send(const void* data, std::size_t length)
    {
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        while (length > 0) {
            if (state_.drop || !WaitWhileSilent()) return false;
            const ssize_t sent = send(fd_, bytes, std::min(length, MAX_SEND_CHUNK), MSG_NOSIGNAL);
            if (sent < 0) {
                if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) continue;
                why_ = errno == EPIPE || errno == ECONNRESET ? "client closed" : "send error";
                return false;
            }
            bytes += sent;
            length -= static_cast<std::size_t>(sent);
            state_.bytesSent += static_cast<std::uint64_t>(sent);
        }
        return true;
    }
    bool Send(const std::string& text) { return Send(text.data(), text.size()); }

    // True when a silent period ended; while it lasts the socket stays open and
    // is only watched for the client going away.
    bool WaitWhileSilent()
    {
        if (silent_ == nullptr) return true;
        bool waited = false;
        while (*silent_ && !state_.drop) {
            waited = true;
            pollfd watch{fd_, POLLIN | POLLRDHUP, 0};
            if (poll(&watch, 1, 50) > 0) {
                char discard[4096];
                const ssize_t got = recv(fd_, discard, sizeof discard, MSG_DONTWAIT);
                if (got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
                    why_ = "client closed";
                    return false;
                }
            }
        }
        if (waited) resumed_ = true;
        return !state_.drop;
    }

    // True once after every silent period, so paced sending can start its clock afresh.
    bool TakeResumed()
    {
        const bool resumed = resumed_;
        resumed_ = false;
        return resumed;
    }

    const char* Why() const { return state_.drop ? "dropped" : why_; }

private:
    int fd_;
    ConnectionState& state_;
    const std::atomic<bool>* silent_;
    const char* why_ = "client closed";
    bool resumed_ = false;
};

const Box* BoxAt(const std::vector<Box>& boxes, Ipv4Host local)
{
    for (const Box& box : boxes) {
        if (box.ip == local) return &box;
    }
    for (const Box& box : boxes) {
        if (box.staticIp == local) return &box;
    }
    return boxes.empty() ? nullptr : &boxes.front();
}

// Each box gets its own grey level so recordings of different boxes differ.
std::uint8_t ShadeOf(const Box* box)
{
    if (box == nullptr) return 128;
    return static_cast<std::uint8_t>(40 + static_cast<std::uint32_t>(box->id) * 37u % 180u);
}

std::string PageFor(const Box* box)
{
    std::string body = "<html><body><h1>Box ID ";
    if (box == nullptr) {
        body += "unknown</h1>";
    } else {
        body += std::to_string(box->id) + "</h1>\n<p>Lan IP: " + Ipv4Text(box->ip) + "</p>\n<p>Lan Static IP: " +
                Ipv4Text(box->staticIp) + "</p>\n<p>Lan Netmask: " + Ipv4Text(box->netmask) +
                "</p>\n<p>Lan Gateway: " + Ipv4Text(box->gateway) + "</p>\n<p>Lan Mac: " + MacText(box->mac) +
                "</p>\n<p>Board: " + std::to_string(box->boardType) + "</p>\n";
    }
    return body + "</body></html>\n";
}

std::string SimpleResponse(const std::string& status, const std::string& type, const std::string& body)
{
    return "HTTP/1.1 " + status + "\r\nContent-Type: " + type + "\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

// The stream's header as the mode asks; false when the stream must not follow.
bool SendStreamHeader(Sender& sender, HeaderMode mode)
{
    if (mode == HeaderMode::NORMAL) return sender.Send(STREAM_HEADER, sizeof STREAM_HEADER - 1);
    if (mode == HeaderMode::TRICKLE) {
        for (std::size_t i = 0; i + 1 < sizeof STREAM_HEADER; ++i) {
            if (!sender.Send(STREAM_HEADER + i, 1)) return false;
            std::this_thread::sleep_for(HEADER_TRICKLE_PERIOD);
        }
        return true;
    }
    if (!sender.Send("HTTP/1.1 200 OK\r\n")) return false;
    const std::string field = "X-Filler: " + std::string(1000, 'x') + "\r\n";
    while (sender.Send(field)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

// Sends a chunk of whole packets, with whatever damage the control channel asked for.
bool SendPackets(Sender& sender, StreamDamager& damager, const std::uint8_t* packets, std::size_t size)
{
    const std::uint8_t* sent = damager.Apply(packets, size);
    return sender.Send(sent, size);
}

void StreamFast(Sender& sender, StreamDamager& damager, std::uint8_t shade)
{
    const auto cycle = RepeatingCycle(shade);
    while (SendPackets(sender, damager, cycle->data(), cycle->size())) {
    }
}

void StreamPaced(Sender& sender, StreamDamager& damager, std::uint8_t shade, const std::atomic<unsigned>& rateKbps)
{
    TsStream stream(shade);
    std::vector<std::uint8_t> frame;
    auto start = Clock::now();
    std::uint64_t framesSinceStart = 0;
    for (;;) {
        const auto due = start + framesSinceStart * FRAME_PERIOD;
        const auto now = Clock::now();
        if (now < due) {
            std::this_thread::sleep_for(due - now);
        } else if (now - due > MAX_LAG || sender.TakeResumed()) {
            // A slow reader or a silent period: carry on from now instead of bursting.
            start = now;
            framesSinceStart = 0;
        }
        frame.clear();
        stream.AppendFrame(frame, PacketsPerFrame(stream.FramesWritten(), rateKbps));
        if (!SendPackets(sender, damager, frame.data(), frame.size())) return;
        ++framesSinceStart;
    }
}

}  // namespace

void ServeConnection(int fd, ConnectionState& state, const StreamContext& context)
{
    // Short timeouts let a blocked read or send notice SILENT and DROPSTREAMS.
    timeval timeout{0, 200000};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);

    const RequestHead head = ReadRequestHead(fd, state.drop);
    LogLine("HTTP " + state.peer + " req=" + HexText(head.bytes.data(), head.bytes.size()));

    const std::vector<Box> boxes = context.boxes.Snapshot();
    const Box* box = BoxAt(boxes, state.local);
    const char* why = "incomplete request";
    if (head.complete && head.method == "GET" && head.path == "/0.ts") {
        state.streaming = true;
        Sender sender(fd, state, &context.silent);
        StreamDamager damager(context.damage, state.peer);
        if (SendStreamHeader(sender, context.headerMode)) {
            if (context.rateKbps == 0) {
                StreamFast(sender, damager, ShadeOf(box));
            } else {
                StreamPaced(sender, damager, ShadeOf(box), context.rateKbps);
            }
        }
        why = sender.Why();
    } else if (head.complete) {
        Sender sender(fd, state, nullptr);
        if (head.method == "GET" && head.path == "/") {
            sender.Send(SimpleResponse("200 OK", "text/html", PageFor(box)));
        } else {
            sender.Send(SimpleResponse("404 Not Found", "text/plain", "not found\n"));
        }
        why = "answered";
    }

    if (state.drop) {
        // Linger zero turns close into a reset, the abrupt end tests ask for.
        linger abrupt{1, 0};
        setsockopt(fd, SOL_SOCKET, SO_LINGER, &abrupt, sizeof abrupt);
    }
    close(fd);
    if (state.streaming) {
        LogLine("STREAM " + state.peer + " ended bytes=" + std::to_string(state.bytesSent.load()) + " why=" + why);
    }
}
