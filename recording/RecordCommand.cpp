// The Record button: starts the recording of the selected box into a new file beside the
// program, or stops it.
#include "app/OrvaneDlg.h"

#include "app/SelectionSearch.h"
#include "framework/TextCodec.h"

#include <io.h>

// Window thread. The file is named after the start time; a name that an earlier recording of
// this run or an existing file has is taken.
std::wstring COrvaneDlg::NewRecordingPath(const std::string& host)
{
    const std::wstring path =
        FreeRecordingFileName(GetExecutableDirectory(), NarrowToWide(host), ::_time64(nullptr),
                              [this](const std::wstring& name) {
                                  return m_recordingPathsUsed.count(name) != 0 || ::_waccess(name.c_str(), 0) == 0;
                              });
    m_recordingPathsUsed.insert(path);
    return path;
}

// Window thread. Acts on the row the operator sees selected at the click, found by the
// watcher's own rule: m_selectedRow may still name the row where the box stood before a new
// box was inserted above it or Clear removed rows above it.
void COrvaneDlg::OnRecord()
{
    const int row = HighestSelectedRow(m_list);
    if (row < 0)
        return;
    const std::string host = WideToNarrow(m_list.GetItemText(row, COL_LAN_STATIC_IP));
    const DeviceId id = DeviceIdInRow(row);
    RowTag* tag = reinterpret_cast<RowTag*>(m_list.GetItemData(row));

    if (IsRecordingWanted(id)) {
        // Stop. Nothing waits for the recorder: it finds the flag cleared before its next
        // block and closes its file and socket. The box's file entry stays.
        SetRecordingWanted(id, false);
        ShowRowIdle(row);
        return;
    }

    if (!tag) {
        m_selectedRow = -1;
        SetRecordingWanted(id, false);
        return;
    }
    tag->state = ROW_RECORDING;
    InvalidateRect(nullptr, TRUE);
    const std::wstring path = NewRecordingPath(host);
    m_list.SetItemText(row, COL_RECORD, L"Open");
    const RecordingGeneration generation = BeginRecording(id, path);
    // Resolving and connecting happen on the recorder's own thread.
    m_recorderThreads.push_back(
        std::make_shared<std::thread>(&COrvaneDlg::RecordStream, this, host, STREAM_PORT, path, id, generation));
}
