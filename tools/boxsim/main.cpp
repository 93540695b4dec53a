// boxsim: simulated video encoder boxes for tests and local runs.
// Discovery, streams and the control channel each run on a thread of their own.
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>

#include "tools/boxsim/control_server.h"
#include "tools/boxsim/discovery.h"
#include "tools/boxsim/event_log.h"
#include "tools/boxsim/net_util.h"
#include "tools/boxsim/options.h"
#include "tools/boxsim/stream_server.h"

int main(int argc, char** argv)
{
    Options options;
    std::string error;
    if (!ParseOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "boxsim: %s\n", error.c_str());
        return 2;
    }
    if (options.showHelp) {
        std::fputs(HelpText(), stdout);
        return 0;
    }
    if (!options.logPath.empty() && !OpenLogFile(options.logPath)) {
        std::fprintf(stderr, "boxsim: cannot open log file %s\n", options.logPath.c_str());
        return 2;
    }
    // A client that goes away mid-send must not end the process.
    std::signal(SIGPIPE, SIG_IGN);

    BoxTable boxes;
    for (const Box& box : options.boxes) boxes.Add(box);

    DiscoveryResponder discovery(boxes, options.followSet);
    StreamServer streams(boxes, options.rateKbps);
    ControlServer control(boxes, discovery, streams);
    if (!discovery.Open(error) || !streams.Open(options.httpPort, error) ||
        !control.Open(options.controlPort, error)) {
        LogLine("ERROR " + error);
        return 1;
    }

    for (const Box& box : boxes.Snapshot()) {
        LogLine("BOX " + DescribeBox(box));
        if (!CanSendFrom(box.ip)) {
            LogLine("WARN box " + std::to_string(box.id) + ": " + Ipv4Text(box.ip) +
                    " is not a local address; it will answer from the first local one");
        }
    }
    LogLine("READY udp=" + std::to_string(DISCOVERY_PORT) + " http=" + std::to_string(options.httpPort) +
            " control=" + std::to_string(options.controlPort) + " rate-kbps=" + std::to_string(options.rateKbps) +
            " boxes=" + std::to_string(boxes.Count()));

    std::thread discoveryThread([&] { discovery.Run(); });
    std::thread streamThread([&] { streams.Run(); });
    control.Run();
    return 0;
}
