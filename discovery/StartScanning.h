// The scanners of every local address, started once while the main window initialises.
#pragma once

#include "discovery/find_devices.h"

#include <string>
#include <vector>

// Reads the IPv4 address table once and starts one scanner per row (127.0.0.1 included),
// appending each to scanners (they live until the process ends). Returns false, starting
// none, when the table cannot be read; else sets title to "My IP: " and the local addresses.
bool StartScanners(std::vector<find_devices*>& scanners, std::string& title);
