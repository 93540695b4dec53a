#include "app/OrvaneDlg.h"

// The benchmark builds a watcher without pause (-DORVANE_WATCHER_PAUSE_MS=0) to compare.
#ifndef ORVANE_WATCHER_PAUSE_MS
#define ORVANE_WATCHER_PAUSE_MS 80
#endif

namespace {

constexpr COLORREF COLOR_RECORDING_BK = 0xFFE8CC;  // light blue
constexpr COLORREF COLOR_IDLE_BK = 0xFFFFFF;       // white

// Long enough that the idle program stays under 1% of a core, short enough that the Record
// caption follows the selection within 100 ms.
constexpr DWORD WATCHER_PAUSE_MS = ORVANE_WATCHER_PAUSE_MS;

const wchar_t CAPTION_RECORD[] = L"Record";
const wchar_t CAPTION_STOP[] = L"Stop";

// The selected row with the highest index, or -1, scanning up from the last row.
int HighestSelectedRow(const CListCtrl& list)
{
    for (int row = list.GetItemCount() - 1; row >= 0; --row) {
        if (list.GetItemState(row, LVIS_SELECTED) == LVIS_SELECTED)
            return row;
    }
    return -1;
}

// One message: whether the row is selected, and its RowTag (null for a row without one or a
// row that does not exist).
bool ReadRow(const CListCtrl& list, int row, bool* selected, const RowTag** tag)
{
    LVITEMW item = {};
    item.mask = LVIF_PARAM | LVIF_STATE;
    item.stateMask = LVIS_SELECTED;
    item.iItem = row;
    if (!list.SendMessage(LVM_GETITEMW, 0, (LPARAM)&item))
        return false;
    *selected = (item.state & LVIS_SELECTED) != 0;
    *tag = reinterpret_cast<const RowTag*>(item.lParam);
    return true;
}

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
// that a deletion never moves a row still to be visited.
void COrvaneDlg::OnClear()
{
    for (int row = m_list.GetItemCount() - 1; row >= 0; --row) {
        if (IsRecordingWanted(DeviceIdInRow(row)))
            continue;
        m_list.DeleteItem(row);
        if (m_selectedRow == row)
            m_selectedRow = -1;
    }
}

// The watcher thread's body; never returns. Keeps m_selectedRow on the selected row with the
// highest index and the Record button's caption on that box's recording flag. It reaches the
// list and the button only by messages, so it waits whenever the window thread is busy.
// A pass costs one message while nothing is selected and two while the same single row stays
// selected.
void COrvaneDlg::WatchSelection()
{
    bool selectionSeen = false;
    DeviceId selectedId = 0;
    int lastRow = -1;                       // the row the latest pass found selected
    const wchar_t* shownCaption = nullptr;  // only this thread sets the caption
    const CWnd recordButton = GetDlgItem(IDC_RECORD);
    for (;;) {
        const UINT selectedCount = m_list.GetSelectedCount();
        int row = -1;
        bool selected = false;
        const RowTag* tag = nullptr;
        if (selectedCount == 1 && lastRow >= 0 && ReadRow(m_list, lastRow, &selected, &tag) && selected) {
            row = lastRow;  // still the one selected row
        } else if (selectedCount != 0) {
            row = selectedCount == 1 ? m_list.GetNextItem(-1, LVNI_SELECTED) : HighestSelectedRow(m_list);
            if (row >= 0 && !ReadRow(m_list, row, &selected, &tag))
                tag = nullptr;
        }
        lastRow = row;
        if (row >= 0) {
            selectionSeen = true;
            // The RowTag's id is what column 0 shows; the column is read only for a row without one.
            selectedId = tag ? tag->deviceId : DeviceIdInRow(row);
            m_selectedRow = row;
        }

        const wchar_t* caption = CAPTION_RECORD;
        if (selectionSeen && selectedCount != 0) {
            if (IsRecordingWanted(selectedId))
                caption = CAPTION_STOP;
        } else {
            m_selectedRow = -1;
        }
        // Setting an unchanged caption would only repaint the button.
        if (caption != shownCaption) {
            recordButton.SetWindowText(caption);
            shownCaption = caption;
        }

        if (WATCHER_PAUSE_MS > 0)
            ::Sleep(WATCHER_PAUSE_MS);
    }
}
