// Command line of the simulator.
#pragma once

#include <string>
#include <vector>

#include "tools/boxsim/box_table.h"

struct Options {
    std::vector<Box> boxes;          // generated boxes first, then every --box
    unsigned short httpPort = 80;
    unsigned short controlPort = 7000;
    unsigned rateKbps = 4000;        // 0: send as fast as the client reads
    bool followSet = false;
    std::string logPath;             // empty: stderr
    bool showHelp = false;
};

const char* HelpText();

// Fills options from argv; on failure returns false with a one-line reason.
bool ParseOptions(int argc, char** argv, Options& options, std::string& error);
