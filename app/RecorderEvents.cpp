// The window's side of the recorders: what their events do to a box's row and recording
// state, and the messages they show.
#include "app/OrvaneDlg.h"

#include "app/AppMessages.h"
#include "framework/ResourceString.h"

// The row drawn as not recording, with "Off" in column 8. A row of -1 is left alone.
void COrvaneDlg::ShowRowIdle(int row)
{
    if (row < 0)
        return;
    if (RowTag* tag = m_table.TagOfRow(row))
        tag->state = ROW_IDLE;
    m_list.SetItemText(row, COL_RECORD, LoadResourceString(IDS_RECORD_CELL_OFF));
    InvalidateRect(nullptr, TRUE);
}

// Window thread. The book decides under its lock whether the event still belongs to the box's
// newest recording; the row is changed after that, on this thread, where OnRecord runs too.
LRESULT COrvaneDlg::OnRecorderEvent(WPARAM, LPARAM lParam)
{
    const RecorderEvent& event = *reinterpret_cast<const RecorderEvent*>(lParam);
    // The device table already knows where each box's row stands.
    if (event.kind == RecorderEvent::CONNECTED) {
        if (!m_recordings.IsCurrent(event.id, event.generation))
            return FALSE;  // stopped while connecting: the row stays "Off"
        const int row = m_table.FindRow(event.id);
        if (row >= 0)
            m_list.SetItemText(row, COL_RECORD, LoadResourceString(IDS_RECORD_CELL_ON));
        return TRUE;
    }
    const RecordingEndSeen seen = m_recordings.End(event.id, event.generation, event.keepFile);
    if (seen != RecordingEndSeen::SUPERSEDED)
        ShowRowIdle(m_table.FindRow(event.id));
    return (LRESULT)seen;
}

// Recorder thread. Waits until the window thread has applied the event; a window that is gone
// applies nothing and answers 0.
LRESULT COrvaneDlg::SendRecorderEvent(const RecorderEvent& event)
{
    return ::SendMessageW(m_hWnd, WM_APP_RECORDER_EVENT, 0, reinterpret_cast<LPARAM>(&event));
}

void COrvaneDlg::ShowConnected(DeviceId id, RecordingGeneration generation)
{
    SendRecorderEvent({RecorderEvent::CONNECTED, id, generation, true});
}

RecordingEndSeen COrvaneDlg::ShowEnded(DeviceId id, RecordingGeneration generation, bool keepFile)
{
    return (RecordingEndSeen)SendRecorderEvent({RecorderEvent::ENDED, id, generation, keepFile});
}

void COrvaneDlg::TellOperator(const std::wstring& message)
{
    MessageBox(message);
}
