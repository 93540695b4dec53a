#include "recording/RecordCommand.h"

#include "framework/TextCodec.h"
#include "recording/HealthObserver.h"

#include <io.h>

namespace {

// The whole body of a recorder thread started by Record.
int RecordWithHealth(RecordingBook& book, RecordingWindow& window, RecordingRequest request,
                     std::shared_ptr<RecordingHealth> health)
{
    HealthObserver observer(std::move(health));
    return RunRecorder(book, window, std::move(request), &observer);
}

} // namespace

std::wstring NewRecordingPath(const RecordingBook& book, const std::string& host)
{
    return FreeRecordingFileName(GetExecutableDirectory(), NarrowToWide(host), ::_time64(nullptr),
                                 [&book](const std::wstring& name) {
                                     return book.IsPathUsed(name) || ::_waccess(name.c_str(), 0) == 0;
                                 });
}

std::shared_ptr<std::thread> StartRecorder(RecordingBook& book, RecordingWindow& window, const RecordingRequest& request,
                                           std::shared_ptr<RecordingHealth> health)
{
    return std::make_shared<std::thread>(RecordWithHealth, std::ref(book), std::ref(window), request,
                                         std::move(health));
}
