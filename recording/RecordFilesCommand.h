// The Record Files command's work that is not the window's: what Explorer is to show for the
// selected box, and starting Explorer.
#pragma once

#include "discovery/DeviceDatagram.h"
#include "recording/RecordingBook.h"

#include <optional>
#include <string>

// Explorer's parameters for the box (none selected: boxSelected false): its newest recording's
// file selected in directory when the file exists, else directory alone. A file that is gone
// and no longer being recorded is forgotten in book. Nothing (no value) while the box's
// recording is wanted but its file is not created yet.
std::optional<std::wstring> RecordFilesParameters(RecordingBook& book, bool boxSelected, DeviceId id,
                                                  const std::wstring& directory);

// Starts Explorer with the given parameters (ShellExecuteW "open" explorer.exe).
void OpenExplorer(const std::wstring& parameters);
