// The Record button: starts the recording of the selected box into a new file beside the
// program, or stops it.
#include "app/OrvaneDlg.h"

#include "app/Selection.h"
#include "framework/ResourceString.h"
#include "framework/TextCodec.h"
#include "recording/DiskSpace.h"
#include "recording/HealthObserver.h"
#include "recording/Recorder.h"

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

// Window thread. The file is named after the start time; a name that an earlier recording of
// this run or an existing file has is taken.
std::wstring COrvaneDlg::NewRecordingPath(const std::string& host)
{
    return FreeRecordingFileName(GetExecutableDirectory(), NarrowToWide(host), ::_time64(nullptr),
                                 [this](const std::wstring& name) {
                                     return m_recordings.IsPathUsed(name) || ::_waccess(name.c_str(), 0) == 0;
                                 });
}

// Window thread. Acts on the row the operator sees selected at the click, by the watcher's own
// rule: m_selectedRow may still name the row where the box stood before a new box was inserted
// above it or Clear removed rows above it.
void COrvaneDlg::OnRecord()
{
    const int row = HighestSelected(m_list);
    if (row < 0)
        return;
    const std::string host = WideToNarrow(m_list.GetItemText(row, COL_LAN_STATIC_IP));
    RowTag* tag = m_table.TagOfRow(row);
    const DeviceId id = m_table.DeviceIdInRow(row);

    if (m_recordings.IsWanted(id)) {
        // Stop. Nothing waits for the recorder: it finds the flag cleared before its next
        // block and closes its file and socket. The box's file entry stays.
        m_recordings.SetWanted(id, false);
        ShowRowIdle(row);
        return;
    }

    if (!tag)
        return;
    // A recording would only fill what is left of the disk.
    if (IsDiskNearlyFull(GetExecutableDirectory())) {
        MessageBox(LoadResourceString(IDS_RECORD_DISK_NEARLY_FULL));
        return;
    }
    tag->state = ROW_RECORDING;
    InvalidateRect(nullptr, TRUE);
    const std::wstring path = NewRecordingPath(host);
    m_list.SetItemText(row, COL_RECORD, LoadResourceString(IDS_RECORD_CELL_OPEN));
    const RecordingGeneration generation = m_recordings.Begin(id, path);
    // Resolving and connecting happen on the recorder's own thread.
    RecordingRequest request{host, STREAM_PORT, path, id, generation, m_recordSilenceLimitMs};
    m_recorderThreads.push_back(std::make_shared<std::thread>(RecordWithHealth, std::ref(m_recordings),
                                                              std::ref<RecordingWindow>(*this), request,
                                                              m_recordingHealth.Begin(id, path)));
}
