#include "app/OrvaneDlg.h"

#include "app/AppMessages.h"
#include "framework/ResourceString.h"

#include <unordered_set>

namespace {

constexpr COLORREF COLOR_RECORDING_BK = 0xFFE8CC;  // light blue
constexpr COLORREF COLOR_IDLE_BK = 0xFFFFFF;       // white

} // namespace

// Window thread. Recording rows are light blue, stopped ones white; a row in state 0 or
// without a tag keeps the list's own colours.
void COrvaneDlg::OnListCustomDraw(NMHDR* pNMHDR, LRESULT* pResult)
{
    NMLVCUSTOMDRAW* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(pNMHDR);
    if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT && draw->nmcd.lItemlParam) {
        const RowTag* tag = reinterpret_cast<const RowTag*>(draw->nmcd.lItemlParam);
        const int state = tag->state;
        if (state == ROW_RECORDING)
            draw->clrTextBk = COLOR_RECORDING_BK;
        else if (state == ROW_IDLE)
            draw->clrTextBk = COLOR_IDLE_BK;
    }
    // Per-item notifications at the control stage; at the item stage the same bit asks for the
    // per-subitem ones, which change nothing.
    *pResult = CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT;
}

// Window thread. Removes every row whose box is not being recorded, from the last row up so
// that a deletion never moves a row still to be visited, and with it everything kept for the
// box: its RowTag, its row position, its recording flag entry and its answers still waiting in
// the queue, which were received before the click. Recorded boxes keep theirs.
void COrvaneDlg::OnClear()
{
    std::unordered_set<DeviceId> removed;
    // Painted once at the end, not after every deleted row.
    m_list.SendMessage(WM_SETREDRAW, FALSE);
    for (int row = m_list.GetItemCount() - 1; row >= 0; --row) {
        const DeviceId id = m_table.DeviceIdInRow(row);
        if (m_recordings.WantedOrForget(id))
            continue;
        m_list.DeleteItem(row);
        removed.insert(id);
        if (m_selectedRow == row)
            m_selectedRow = -1;
    }
    m_announcements.DropBoxes(removed);
    m_table.ReleaseRemovedRows();
    m_list.SendMessage(WM_SETREDRAW, TRUE);
    ::RedrawWindow(m_list.GetSafeHwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

// Window thread, for the watcher: one message finds the selected row and its box from the
// selected boxes kept here, so a pass costs what the selection costs however long the table
// is, and only this thread reads a RowTag.
LRESULT COrvaneDlg::OnReadSelection(WPARAM, LPARAM lParam)
{
    *reinterpret_cast<HighestSelection*>(lParam) = m_selectedBoxes.HighestSelected();
    return TRUE;
}

namespace {

// The Record button's two captions, loaded once by the watcher.
struct RecordCaptions {
    std::wstring record = LoadResourceString(IDS_CAPTION_RECORD);
    std::wstring stop = LoadResourceString(IDS_CAPTION_STOP);
};

// The Record button's caption for the box the selection shows: "Stop" while its recording is
// wanted. shown is the caption the button has (null before the first); an unchanged caption
// is not set again, which would only repaint the button.
void ShowRecordCaption(const CWnd& recordButton, bool recordingWanted, const RecordCaptions& captions,
                       const std::wstring*& shown)
{
    const std::wstring* caption = recordingWanted ? &captions.stop : &captions.record;
    if (caption == shown)
        return;
    recordButton.SetWindowText(*caption);
    shown = caption;
}

} // namespace

// The watcher thread's body; never returns. Keeps m_selectedRow on the selected row with the
// highest index and the Record button's caption on that box's recording flag. It reaches the
// list and the button only by messages, so it waits whenever the window thread is busy.
// A pass costs one message to the window thread, and a caption change when there is one.
void COrvaneDlg::WatchSelection()
{
    const RecordCaptions captions;
    const std::wstring* shownCaption = nullptr;  // only this thread sets the caption
    const CWnd recordButton = GetDlgItem(IDC_RECORD);
    for (;;) {
        // Row and box come from one message, so they always belong together.
        HighestSelection selected;
        SendMessage(WM_APP_READ_SELECTION, 0, reinterpret_cast<LPARAM>(&selected));
        m_selectedRow = selected.row;
        ShowRecordCaption(recordButton, selected.row >= 0 && m_recordings.IsWanted(selected.id), captions,
                          shownCaption);

        const DWORD pause = m_watcherPauseMs;
        if (pause > 0)
            ::Sleep(pause);
    }
}
