// The HTTP listener shared by every box, and the list of open connections the
// control channel can silence, list or drop.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "tools/boxsim/stream_connection.h"

class StreamServer {
public:
    // rateKbps: the stream rate until SetRate, and again after RestoreRate.
    StreamServer(BoxTable& boxes, unsigned rateKbps);

    // Listens on 0.0.0.0:port; false with a reason when that fails.
    bool Open(unsigned short port, std::string& error);
    // Accepts connections for ever, one thread each.
    void Run();

    void SetSilent(bool on) { silent_ = on; }
    // The rate of paced streams, open ones from their next frame on; whether a stream is
    // paced at all (a rate above 0) is settled when it starts.
    void SetRate(unsigned kbps) { rateKbps_ = kbps; }
    void RestoreRate() { rateKbps_ = startRateKbps_; }
    // How the stream responses of new connections begin.
    void SetHeaderMode(HeaderMode mode) { headerMode_ = mode; }
    // Damage for the stream that sends next (the control command DAMAGE).
    DamageQueue& Damages() { return damage_; }
    // Resets every open connection; returns how many there were.
    int DropAll();
    // "peer=.. local=.. bytes=.. streaming=0|1" per open connection.
    std::vector<std::string> Describe();

private:
    void Serve(int fd, std::shared_ptr<ConnectionState> state);

    int listenFd_ = -1;
    std::atomic<bool> silent_{false};
    const unsigned startRateKbps_;
    std::atomic<unsigned> rateKbps_;
    std::atomic<HeaderMode> headerMode_{HeaderMode::NORMAL};
    DamageQueue damage_;
    StreamContext context_;
    std::mutex mutex_;
    std::set<std::shared_ptr<ConnectionState>> open_;
};
