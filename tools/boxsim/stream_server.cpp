#include "tools/boxsim/stream_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "tools/boxsim/event_log.h"
#include "tools/boxsim/net_util.h"

StreamServer::StreamServer(BoxTable& boxes, unsigned rateKbps)
    : startRateKbps_(rateKbps), rateKbps_(rateKbps), context_{boxes, rateKbps_, silent_, headerMode_, damage_}
{
}

bool StreamServer::Open(unsigned short port, std::string& error)
{
    listenFd_ = OpenTcpListener(port, 64, error);
    return listenFd_ >= 0;
}

void StreamServer::Run()
{
    for (;;) {
        sockaddr_in peer{};
        socklen_t peerLength = sizeof peer;
        const int fd = accept(listenFd_, reinterpret_cast<sockaddr*>(&peer), &peerLength);
        if (fd < 0) {
            if (errno != EINTR && errno != ECONNABORTED) usleep(100000);
            continue;
        }
        auto state = std::make_shared<ConnectionState>();
        state->peer = Ipv4Text(ntohl(peer.sin_addr.s_addr)) + ":" + std::to_string(ntohs(peer.sin_port));
        sockaddr_in local{};
        socklen_t localLength = sizeof local;
        if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localLength) == 0) {
            state->local = ntohl(local.sin_addr.s_addr);
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            open_.insert(state);
        }
        std::thread([this, fd, state] { Serve(fd, state); }).detach();
    }
}

void StreamServer::Serve(int fd, std::shared_ptr<ConnectionState> state)
{
    ServeConnection(fd, *state, context_);
    std::lock_guard<std::mutex> lock(mutex_);
    open_.erase(state);
}

int StreamServer::DropAll()
{
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& state : open_) {
        state->drop = true;
    }
    return static_cast<int>(open_.size());
}

std::vector<std::string> StreamServer::Describe()
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> lines;
    for (const auto& state : open_) {
        lines.push_back("peer=" + state->peer + " local=" + Ipv4Text(state->local) +
                        " bytes=" + std::to_string(state->bytesSent.load()) +
                        " streaming=" + (state->streaming ? "1" : "0"));
    }
    return lines;
}
