// One recording: it fetches the box's transport stream over HTTP and copies the response
// body into the recording file in whole blocks for as long as the recording is wanted and is
// the box's newest. Its Run returns why it ended; ReportRecordingEnd turns that into what the
// operator sees.
#pragma once

#include "recording/RecordingOutcome.h"
#include "recording/StreamReceiver.h"

class Recorder {
public:
    // The book, the window and the observer (which may be null) are not owned and outlive Run.
    Recorder(RecordingBook& book, RecordingWindow& window, RecordingRequest request, BodyObserver* observer = nullptr);
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    // Recorder thread. The socket and the file are closed when it returns, whichever way.
    RecordingOutcome Run();

private:
    bool IsCurrent() const { return m_book.IsCurrent(m_request.id, m_request.generation); }

    RecordingBook& m_book;
    RecordingWindow& m_window;
    const RecordingRequest m_request;
    BodyObserver* m_observer;
};

// The whole body of a recorder thread: Run, then ReportRecordingEnd. 0 when the recording
// was stopped, -1 otherwise.
int RunRecorder(RecordingBook& book, RecordingWindow& window, RecordingRequest request, BodyObserver* observer);
