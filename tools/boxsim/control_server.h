// The line protocol tests use to inspect and steer the simulator. Each command
// is one line; each answer is zero or more lines and then "OK" or "ERR <why>".
#pragma once

#include <string>
#include <vector>

#include "tools/boxsim/box_table.h"
#include "tools/boxsim/discovery.h"
#include "tools/boxsim/stream_server.h"

class ControlServer {
public:
    ControlServer(BoxTable& boxes, DiscoveryResponder& discovery, StreamServer& streams);

    // Listens on 0.0.0.0:port; false with a reason when that fails.
    bool Open(unsigned short port, std::string& error);
    // Accepts control connections for ever, one thread each.
    void Run();

    // Carries out one command line; the answer's lines end with OK or ERR.
    std::vector<std::string> Execute(const std::string& line);

private:
    void Serve(int fd);

    BoxTable& boxes_;
    DiscoveryResponder& discovery_;
    StreamServer& streams_;
    int listenFd_ = -1;
};
