#include "recording/RecordingOutcome.h"

#include "framework/ResourceString.h"
#include "framework/TextCodec.h"
#include "recording/RecordingStrings.h"
#include "recording/StreamReceiver.h"

#include <cwchar>

namespace {

std::wstring SilenceText(int milliseconds)
{
    wchar_t seconds[32];
    std::swprintf(seconds, 32, L"%g", milliseconds / 1000.0);
    return LoadResourceString(IDS_RECORD_SILENT) + seconds + LoadResourceString(IDS_RECORD_SILENT_SECONDS);
}

std::wstring NotAStreamText()
{
    return LoadResourceString(IDS_RECORD_NOT_A_STREAM) + std::to_wstring(MAX_RESPONSE_HEADER_SIZE / 1024) +
           LoadResourceString(IDS_RECORD_NOT_A_STREAM_SIZE);
}

} // namespace

// Where a recording ends and who tells the operator. Stop has shown the row idle already, so
// a stopped recording tells nobody. Every other end first clears the flag and shows the row
// idle (the file entry kept when the file holds what arrived, emptied when no file was made),
// so that the message never stands beside a row that still looks recording; then the
// operator is told, only when the recording was still wanted and is the box's newest.
int ReportRecordingEnd(RecordingOutcome outcome, const RecordingRequest& request, RecordingWindow& window)
{
    const std::wstring host = NarrowToWide(request.host);
    std::wstring message;
    bool keepFile = true;
    switch (outcome) {
    case RecordingOutcome::STOPPED:
        return 0;
    case RecordingOutcome::CONNECT_FAILED:
        message = LoadResourceString(IDS_RECORD_CONNECT_FAILED) + host;
        keepFile = false;
        break;
    case RecordingOutcome::NOT_A_STREAM:
        message = NotAStreamText() + host;
        keepFile = false;
        break;
    case RecordingOutcome::FILE_NOT_CREATED:
        message = LoadResourceString(IDS_RECORD_FILE_NOT_CREATED) + request.path;
        keepFile = false;
        break;
    case RecordingOutcome::STREAM_ENDED:
        message = LoadResourceString(IDS_RECORD_STREAM_ENDED) + host;
        break;
    case RecordingOutcome::SILENT:
        message = SilenceText(request.silenceLimitMs) + host;
        break;
    case RecordingOutcome::WRITE_FAILED:
        message = LoadResourceString(IDS_RECORD_WRITE_FAILED) + request.path;
        break;
    case RecordingOutcome::DISK_NEARLY_FULL:
        message = LoadResourceString(IDS_RECORD_DISK_FULL_STOPPED) + host;
        break;
    }
    if (window.ShowEnded(request.id, request.generation, keepFile) == RecordingEndSeen::WANTED)
        window.TellOperator(message);
    return -1;
}
