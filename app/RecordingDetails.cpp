// A recording's health for the operator: the info tip of a recorded row, and the same lines in
// a message box through the row menu's "Recording details..." (reachable from the keyboard).
#include "app/OrvaneDlg.h"

#include "app/Selection.h"

#include <commctrl.h>

// Window thread. Empty when the row's box is not being recorded.
std::wstring COrvaneDlg::RecordingDetailsOfRow(int row)
{
    if (row < 0 || row >= m_list.GetItemCount())
        return std::wstring();
    const RowTag* tag = m_table.TagOfRow(row);
    if (!tag || !m_recordings.IsWanted(tag->deviceId))
        return std::wstring();
    const std::shared_ptr<RecordingHealth> health = m_recordingHealth.Find(tag->deviceId);
    if (!health)
        return std::wstring();
    return RecordingHealthText(health->Snapshot(RecordingHealth::Clock::now()));
}

// Window thread. The list asks for a row's tip when the mouse rests on it (the list has
// LVS_EX_INFOTIP). A row not being recorded keeps the list's own tip.
void COrvaneDlg::OnListGetInfoTip(NMHDR* pNMHDR, LRESULT* pResult)
{
    *pResult = 0;
    NMLVGETINFOTIPW* tip = reinterpret_cast<NMLVGETINFOTIPW*>(pNMHDR);
    const std::wstring text = RecordingDetailsOfRow(tip->iItem);
    if (text.empty() || !tip->pszText || tip->cchTextMax <= 0)
        return;
    ::lstrcpynW(tip->pszText, text.c_str(), tip->cchTextMax);
}

// Window thread: the row menu's "Recording details..." for the selected row (the menu
// has made its row the selection). Nothing when the box is no longer being recorded.
void COrvaneDlg::OnRecordingDetails()
{
    const std::wstring text = RecordingDetailsOfRow(HighestSelected(m_list));
    if (!text.empty())
        MessageBox(text);
}
