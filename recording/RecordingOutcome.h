// How a recording ends, and the one place that turns that end into what the operator sees.
#pragma once

#include "recording/RecordingBook.h"

#include <string>

// What a recorder's Run returns: why its recording ended.
enum class RecordingOutcome {
    STOPPED,           // ended by Stop, or by a newer recording of the box
    CONNECT_FAILED,    // no address, no connection, or it ended before the body began
    NOT_A_STREAM,      // the answer's header did not end within MAX_RESPONSE_HEADER_SIZE
    FILE_NOT_CREATED,  // the recording file could not be created
    STREAM_ENDED,      // the box closed the stream, or its chunked body ended or broke
    SILENT,            // nothing arrived for the silence limit
    WRITE_FAILED,      // a block could not be written
    DISK_NEARLY_FULL   // the recordings' volume fell below its reserve (recording/DiskSpace.h)
};

// One recording's particulars, fixed when Record starts it.
struct RecordingRequest {
    std::string host;    // the box's address (or any name gethostbyname resolves)
    int port = 0;
    std::wstring path;   // the recording file
    DeviceId id = 0;
    RecordingGeneration generation = 0;
    int silenceLimitMs = 0;  // how long a silent box may hold the recorder
};

// What a recorder needs of the window that shows its box. Called on the recorder's thread;
// the implementation hands the row work to the window thread and waits for it.
class RecordingWindow {
public:
    // Column 8 "On", while the recording is wanted and is the box's newest.
    virtual void ShowConnected(DeviceId id, RecordingGeneration generation) = 0;
    // Ends the recording in the book (RecordingBook::End) and, unless a newer recording of
    // the box has begun, shows its row idle with "Off".
    virtual RecordingEndSeen ShowEnded(DeviceId id, RecordingGeneration generation, bool keepFile) = 0;
    // A message box owned by the main window; returns once the operator has dismissed it.
    virtual void TellOperator(const std::wstring& message) = 0;

protected:
    ~RecordingWindow() = default;
};

// Recorder thread, after Run: the recording's end in the book and on its row, then the
// message, in that order for every outcome. 0 when it was stopped, -1 otherwise.
int ReportRecordingEnd(RecordingOutcome outcome, const RecordingRequest& request, RecordingWindow& window);
