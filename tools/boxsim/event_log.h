// Every line the simulator logs goes to one sink (a file or stderr) and is kept
// in memory so the control channel can hand it to tests.
#pragma once

#include <string>
#include <vector>

bool OpenLogFile(const std::string& path);

// Writes one line and flushes it at once, so a test reading the file sees it.
void LogLine(const std::string& line);

// Kept lines that start with prefix (all lines for an empty prefix), oldest first.
std::vector<std::string> LoggedLines(const std::string& prefix);
void ClearLoggedLines();
