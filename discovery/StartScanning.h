// The scanners of every local address, started once while the main window initialises.
#pragma once

#include "discovery/find_devices.h"

#include <string>
#include <vector>

// Reads the IPv4 address table once and starts one scanner per row (127.0.0.1 included),
// appending each to scanners (they live until the process ends), and the addresses the window's
// title shows (all but 127.0.0.1, in table order) to titleAddresses. Returns false, starting
// none, when the table cannot be read.
bool StartScanners(std::vector<find_devices*>& scanners, std::vector<std::string>& titleAddresses);
