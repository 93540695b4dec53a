#include "tools/boxsim/options.h"

#include "tools/boxsim/net_util.h"

const char* HelpText()
{
    return "usage: boxsim [options]\n"
           "Plays simulated video encoder boxes: answers discovery probes on UDP 34462\n"
           "(a broadcast: every box on the link it came in on; a probe sent to one address:\n"
           "only the box that has that address),\n"
           "serves an MPEG transport stream over HTTP and takes test commands on a\n"
           "control port.\n"
           "\n"
           "  --boxes N          number of generated boxes (default 3, or 0 when --box is given)\n"
           "  --base-id ID       id of the first generated box; box k gets ID+k (default 1001)\n"
           "  --ip A.B.C.D       current address of the first generated box; the others\n"
           "                     follow consecutively (default: first non-loopback address)\n"
           "  --box FIELDS       add one box, repeatable; FIELDS is\n"
           "                     id=..,ip=..,static=..,mask=..,gw=..,mac=..,board=..\n"
           "                     (static defaults to ip, mask 255.255.255.0, gw x.y.z.1,\n"
           "                     mac 02:00:00 + low id bytes, board from a list of codes)\n"
           "  --http-port P      stream and web page port (default 80)\n"
           "  --control-port P   control channel port (default 7000)\n"
           "  --rate-kbps K      stream rate (default 4000); 0 sends as fast as possible\n"
           "  --follow-set       a set command also moves the address a box answers from,\n"
           "                     when the new address is configured locally\n"
           "  --log FILE         append the log to FILE instead of stderr\n"
           "  --help             this text\n"
           "\n"
           "Numbers (here and in control commands) are decimal, or hexadecimal after 0x.\n"
           "\n"
           "Control commands (one per line; each answer ends with OK or ERR <why>):\n"
           "  LOG [KIND]             logged lines since start or CLEAR of one kind: RX\n"
           "                         (received datagrams: \"RX SOURCE:PORT len= type= hex= to=\n"
           "                         DESTINATION\", the default), SET, HTTP (stream\n"
           "                         requests), STREAM (ended streams), WARN, DAMAGE (damage\n"
           "                         done to a stream); ALL: every line\n"
           "  CLEAR                  forget the logged lines and the probes received\n"
           "  RESET                  no boxes, no logged lines, no probes received,\n"
           "                         streams not silent at the --rate-kbps rate, normal\n"
           "                         stream headers, no damage waiting\n"
           "  PROBES [PER] [SINCE MS] [WINDOW MS]\n"
           "                         the probes received since start or CLEAR (and at MS\n"
           "                         or later):\n"
           "                         PROBES count=N unicast=U addresses=A peak=P first=MS last=MS\n"
           "                         (unicast: not sent to a broadcast address; addresses:\n"
           "                         distinct unicast destinations; peak: the most within any\n"
           "                         WINDOW, default 1000 ms; first, last: kernel arrival times,\n"
           "                         ms since 1970); PER first lists \"a.b.c.d N\" per\n"
           "                         destination\n"
           "  BOXES                  one line per box\n"
           "  ADD FIELDS             add a box (FIELDS as for --box)\n"
           "  REMOVE ID              remove the boxes with this id\n"
           "  FLOOD N BASE [NEXT]    N extra announcements with ids BASE..BASE+N-1, sent\n"
           "                         now to the last probe's source, or with the next\n"
           "                         probe when none came yet or NEXT is given\n"
           "  SEND HEX               send the raw bytes (0..3000) to the last probe's source\n"
           "  SILENT on|off          open streams stop / resume sending\n"
           "  RATE [KBPS]            the rate of paced streams (1 or more), open ones from\n"
           "                         their next frame on; without KBPS (and on RESET) the\n"
           "                         --rate-kbps rate again\n"
           "  HEADER MODE            how new streams' responses begin: normal; trickle\n"
           "                         (one header byte every 100 ms, then the stream);\n"
           "                         endless (header fields for ever, no empty line)\n"
           "  STREAMS                one line per open stream connection\n"
           "  DROPSTREAMS            reset every open stream connection\n"
           "  DAMAGE KIND [PID [N]]  damage the next stream chunk sent (not a stream's first):\n"
           "                         drop: N packets of PID left out (one continuity error);\n"
           "                         dup: a packet of PID sent N more times (the first repeat\n"
           "                         is allowed, each further one an error); discontinuity:\n"
           "                         PID's counter jumps, flagged (no error); sync: a null\n"
           "                         packet with a broken sync byte (one lost sync). PID\n"
           "                         defaults to the video PID 0x100, N to 1; logs DAMAGE\n"
           "  QUIT                   end the simulator\n";
}

bool ParseOptions(int argc, char** argv, Options& options, std::string& error)
{
    long long boxCount = -1;  // -1: not given
    long long baseId = 1001;
    Ipv4Host firstIp = 0;
    bool firstIpGiven = false;
    std::vector<std::string> boxFields;

    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        std::string value;
        bool hasValue = false;
        const auto eq = name.find('=');
        if (name.compare(0, 2, "--") == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
            hasValue = true;
        }
        auto takeValue = [&]() {
            if (hasValue) return true;
            if (i + 1 >= argc) {
                error = name + " needs a value";
                return false;
            }
            value = argv[++i];
            return true;
        };
        long long number = 0;

        if (name == "--help" || name == "-h") {
            options.showHelp = true;
        } else if (name == "--follow-set") {
            options.followSet = true;
        } else if (name == "--boxes") {
            if (!takeValue()) return false;
            if (!ParseInteger(value, 0, 100000, boxCount)) {
                error = "bad --boxes '" + value + "'";
                return false;
            }
        } else if (name == "--base-id") {
            if (!takeValue()) return false;
            if (!ParseInteger(value, INT32_MIN, INT32_MAX, baseId)) {
                error = "bad --base-id '" + value + "'";
                return false;
            }
        } else if (name == "--ip") {
            if (!takeValue()) return false;
            if (!ParseIpv4(value, firstIp)) {
                error = "bad --ip '" + value + "'";
                return false;
            }
            firstIpGiven = true;
        } else if (name == "--box") {
            if (!takeValue()) return false;
            boxFields.push_back(value);
        } else if (name == "--http-port" || name == "--control-port") {
            if (!takeValue()) return false;
            if (!ParseInteger(value, 1, 65535, number)) {
                error = "bad " + name + " '" + value + "'";
                return false;
            }
            (name == "--http-port" ? options.httpPort : options.controlPort) =
                static_cast<unsigned short>(number);
        } else if (name == "--rate-kbps") {
            if (!takeValue()) return false;
            if (!ParseInteger(value, 0, 10000000, number)) {
                error = "bad --rate-kbps '" + value + "'";
                return false;
            }
            options.rateKbps = static_cast<unsigned>(number);
        } else if (name == "--log") {
            if (!takeValue()) return false;
            options.logPath = value;
        } else {
            error = "unknown option '" + std::string(argv[i]) + "' (see --help)";
            return false;
        }
    }
    if (options.showHelp) return true;

    if (!firstIpGiven) {
        firstIp = FirstLocalAddress(0x7F000001u);
    }
    if (boxCount < 0) {
        boxCount = boxFields.empty() ? 3 : 0;
    }
    for (long long k = 0; k < boxCount; ++k) {
        const auto id = static_cast<DeviceId>(static_cast<std::uint32_t>(baseId + k));
        options.boxes.push_back(MakeDefaultBox(id, firstIp + static_cast<Ipv4Host>(k),
                                               DefaultBoardCode(static_cast<std::size_t>(k))));
    }
    for (const std::string& fields : boxFields) {
        const std::size_t k = options.boxes.size();
        Box box;
        std::string why;
        if (!ParseBoxFields(fields, static_cast<DeviceId>(baseId + static_cast<long long>(k)),
                          firstIp + static_cast<Ipv4Host>(k), DefaultBoardCode(k), box, why)) {
            error = "--box " + fields + ": " + why;
            return false;
        }
        options.boxes.push_back(box);
    }
    return true;
}
