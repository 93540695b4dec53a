#include "tools/boxsim/http_request.h"

#include <sys/socket.h>

#include <cerrno>
#include <chrono>
#include <sstream>

namespace {

constexpr std::size_t MAX_HEAD_BYTES = 16384;
constexpr auto HEAD_DEADLINE = std::chrono::seconds(10);

void ParseRequestLine(RequestHead& head)
{
    const std::string line = head.bytes.substr(0, head.bytes.find_first_of("\r\n"));
    std::istringstream words(line);
    std::string target;
    words >> head.method >> target;
    head.path = target.substr(0, target.find('?'));
}

}  // namespace

RequestHead ReadRequestHead(int fd, const std::atomic<bool>& stop)
{
    RequestHead head;
    const auto deadline = std::chrono::steady_clock::now() + HEAD_DEADLINE;
    char chunk[2048];
    while (!stop && head.bytes.size() < MAX_HEAD_BYTES && std::chrono::steady_clock::now() < deadline) {
        const ssize_t got = recv(fd, chunk, sizeof chunk, 0);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) continue;
            break;
        }
        head.bytes.append(chunk, static_cast<std::size_t>(got));
        if (head.bytes.find("\r\n\r\n") != std::string::npos) {
            head.complete = true;
            break;
        }
    }
    if (head.complete) {
        ParseRequestLine(head);
    }
    return head;
}
