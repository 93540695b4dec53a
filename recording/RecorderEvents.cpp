// The window thread's side of the recorders: what their events do to a box's row and
// recording state.
#include "app/OrvaneDlg.h"

#include "app/AppMessages.h"

// The row drawn as not recording, with "Off" in column 8. A row of -1 is left alone.
void COrvaneDlg::ShowRowIdle(int row)
{
    if (row < 0)
        return;
    if (RowTag* tag = reinterpret_cast<RowTag*>(m_list.GetItemData(row)))
        tag->state = ROW_IDLE;
    m_list.SetItemText(row, COL_RECORD, L"Off");
    InvalidateRect(nullptr, TRUE);
}

// Window thread. Applies the event only while its generation is the box's newest; the
// recording state is changed under the lock, the row after it is released.
LRESULT COrvaneDlg::OnRecorderEvent(WPARAM, LPARAM lParam)
{
    const RecorderEvent& event = *reinterpret_cast<const RecorderEvent*>(lParam);
    bool wanted;
    {
        std::lock_guard<std::mutex> lock(m_recordingLock);
        if (m_recordingGenerations[event.id] != event.generation)
            return FALSE;
        wanted = m_recordingFlags[event.id];
        if (event.kind == RecorderEvent::CONNECTED) {
            if (!wanted)
                return FALSE;  // stopped while connecting: the row stays "Off"
        } else {
            m_recordingFlags[event.id] = false;
            if (event.kind == RecorderEvent::FAILED)
                m_recordingFiles[event.id].clear();
        }
    }
    // The device table already knows where each box's row stands.
    const int row = m_table.FindRow(event.id);
    if (event.kind == RecorderEvent::CONNECTED) {
        if (row >= 0)
            m_list.SetItemText(row, COL_RECORD, L"On");
        return TRUE;
    }
    ShowRowIdle(row);
    return event.kind == RecorderEvent::FAILED ? TRUE : (LRESULT)wanted;
}

// Recorder thread. Waits until the window thread has applied the event (or could not take
// it: a window that is gone applies nothing).
bool COrvaneDlg::SendRecorderEvent(RecorderEvent::Kind kind, DeviceId id, RecordingGeneration generation)
{
    RecorderEvent event = {kind, id, generation};
    return ::SendMessageW(m_hWnd, WM_APP_RECORDER_EVENT, 0, reinterpret_cast<LPARAM>(&event)) != 0;
}
