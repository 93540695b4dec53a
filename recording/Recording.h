// What the recording commands and the recorder share: the stream's constants, the events a
// recorder hands to the window thread, the recording state (recording/RecordingBook.h) and
// the file names (recording/RecordingFileNames.h).
#pragma once

#include "discovery/DeviceDatagram.h"
#include "recording/RecordingBook.h"
#include "recording/RecordingFileNames.h"

#include <windows.h>

#include <cstdint>
#include <string>

constexpr int STREAM_PORT = 80;
constexpr int RECORD_BLOCK_SIZE = 524288;
// A box that sends nothing for this long is taken as gone.
constexpr int RECORD_SILENCE_LIMIT_MS = 15000;

// The whole request, sent without a terminating zero.
constexpr char STREAM_REQUEST[] = "GET /0.ts HTTP/1.1\r\nUser-Agent: VLC/2.0.0\r\n\r\n";
constexpr int STREAM_REQUEST_SIZE = sizeof STREAM_REQUEST - 1;
static_assert(STREAM_REQUEST_SIZE == 45, "the stream request is 45 bytes");

// What a recorder asks the window thread to do to its box's row and recording state
// (RecordingWindow). The window thread applies it only while the generation is still the
// box's newest, so that an old recorder never touches a newer recording; OnRecord runs there
// too, so nothing can slip in between the check and the row update.
struct RecorderEvent {
    enum Kind {
        CONNECTED,  // column 8 "On", while the recording is wanted
        ENDED       // RecordingBook::End, then the row idle and "Off"
    };
    Kind kind;
    DeviceId id;
    RecordingGeneration generation;
    bool keepFile;  // ENDED: whether the file entry stays
};
