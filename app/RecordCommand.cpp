// The Record button: starts the recording of the selected box into a new file beside the
// program, or stops it.
#include "app/OrvaneDlg.h"

#include "app/Selection.h"
#include "framework/ResourceString.h"
#include "framework/TextCodec.h"
#include "recording/DiskSpace.h"
#include "recording/RecordCommand.h"

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
    const std::wstring path = NewRecordingPath(m_recordings, host);
    m_list.SetItemText(row, COL_RECORD, LoadResourceString(IDS_RECORD_CELL_OPEN));
    const RecordingGeneration generation = m_recordings.Begin(id, path);
    // Resolving and connecting happen on the recorder's own thread.
    const RecordingRequest request{host, STREAM_PORT, path, id, generation, m_recordSilenceLimitMs};
    m_recorderThreads.push_back(StartRecorder(m_recordings, *this, request, m_recordingHealth.Begin(id, path)));
}
