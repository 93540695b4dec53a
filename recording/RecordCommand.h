// The Record command's work that is not the window's: naming a new recording's file and
// starting its recorder thread.
#pragma once

#include "recording/Recorder.h"
#include "recording/RecordingBook.h"
#include "recording/RecordingHealth.h"

#include <memory>
#include <string>
#include <thread>

// Window thread. The file of a recording of host starting now, beside the program; a name that
// an earlier recording of this run (book) or an existing file has is taken.
std::wstring NewRecordingPath(const RecordingBook& book, const std::string& host);

// Starts the recorder thread of the request, which hands what it receives to health and the
// row work to window. The thread is never joined; the caller keeps it.
std::shared_ptr<std::thread> StartRecorder(RecordingBook& book, RecordingWindow& window, const RecordingRequest& request,
                                           std::shared_ptr<RecordingHealth> health);
