// The device list's shortcut menu (right click, Shift+F10, the menu key), and the commands that
// have no button: copy rows, search now and search networks (the keys are in
// app/ShortcutKeys.cpp). A row
// command of the menu makes its row the selection and then goes, as a WM_COMMAND, to the
// handler of its button (or of the double click), which acts on that selection.
#include "app/OrvaneDlg.h"

#include "app/CopyRows.h"
#include "app/SearchDlg.h"
#include "app/Selection.h"
#include "framework/ResourceString.h"

#include <windowsx.h>

namespace {

// Appends a command whose text is the string resource textId.
void AppendMenuText(HMENU menu, UINT_PTR command, UINT textId)
{
    ::AppendMenuW(menu, MF_STRING, command, LoadResourceString(textId).c_str());
}

// Shows the menu at the point (screen coordinates) and returns the command chosen, or 0.
UINT_PTR TrackMenu(HMENU menu, POINT screen, HWND owner)
{
    return (UINT_PTR)::TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN,
                                      screen.x, screen.y, 0, owner, nullptr);
}

} // namespace

// Window thread. The list's own WM_CONTEXTMENU reaches the dialog through the default
// handling: a right click gives the mouse position at the release, Shift+F10 and the menu key
// give -1, -1.
LRESULT COrvaneDlg::OnContextMenu(WPARAM wParam, LPARAM lParam)
{
    if ((HWND)wParam != m_list.GetSafeHwnd()) {
        Default();
        return 0;
    }
    POINT screen = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    // A right click: the list chose the row at the press, focused and selected it, and handled
    // messages until the release: rows inserted meanwhile moved that row, and its focus and
    // selection with it, so the point of release may lie over another box now. A press beside
    // the rows left no row selected.
    int row = FocusedSelected(m_list);
    if (screen.x == -1 && screen.y == -1) {
        // From the keyboard: the focused row when it is selected, else the first selected row.
        if (row < 0)
            row = LowestSelected(m_list);
        // Without a selected row: the top-left corner below the column headers.
        POINT client = {0, 0};
        RECT header = {};
        if (::GetWindowRect(m_list.GetHeaderCtrl(), &header))
            client.y = header.bottom - header.top;
        if (row >= 0) {
            m_list.EnsureVisible(row, FALSE);
            RECT label = {};
            if (m_list.GetItemRect(row, &label, LVIR_LABEL))
                client = {label.left, label.bottom};
        }
        screen = client;
        ::ClientToScreen(m_list.GetSafeHwnd(), &screen);
    }
    if (row >= 0)
        ShowRowMenu(row, screen);
    else
        ShowListMenu(screen);
    return 0;
}

// Window thread. Rows may be inserted above while the menu is open, and the table's RowTags
// are freed with their rows, so the command keeps the box and finds its row again afterwards.
void COrvaneDlg::ShowRowMenu(int row, POINT screen)
{
    const RowTag* tag = m_table.TagOfRow(row);
    if (!tag)
        return;
    const DeviceId id = tag->deviceId;
    // A right click on a row outside the selection makes it the selection; one inside keeps
    // the selection, so that Copy takes all of it.
    if (m_list.GetItemState(row, LVIS_SELECTED) != LVIS_SELECTED)
        SelectOnlyRow(row);

    HMENU menu = ::CreatePopupMenu();
    if (!menu)
        return;
    AppendMenuText(menu, IDC_SET, IDS_MENU_SET);
    AppendMenuText(menu, ID_OPEN_WEB_PAGE, IDS_MENU_OPEN_WEB_PAGE);
    // The Record button's caption rule: Stop while the box's recording is wanted.
    const bool stopShown = m_recordings.IsWanted(id);
    AppendMenuText(menu, IDC_RECORD, stopShown ? IDS_MENU_STOP : IDS_MENU_RECORD);
    AppendMenuText(menu, IDC_RECORD_FILES, IDS_MENU_RECORD_FILES);
    if (stopShown)
        AppendMenuText(menu, ID_RECORDING_DETAILS, IDS_MENU_RECORDING_DETAILS);
    ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuText(menu, ID_COPY_ROWS, IDS_MENU_COPY);
    AppendMenuText(menu, ID_SEARCH_NETWORKS, IDS_MENU_SEARCH_NETWORKS);
    // The double click's command, shown in bold.
    ::SetMenuDefaultItem(menu, ID_OPEN_WEB_PAGE, FALSE);
    const UINT_PTR command = TrackMenu(menu, screen, m_hWnd);
    ::DestroyMenu(menu);
    if (command == 0)
        return;
    if (command == ID_SEARCH_NETWORKS) {
        OnSearchNetworks();
        return;
    }

    row = m_table.FindRow(id);
    if (row < 0)
        return;
    // The recording may have ended while the menu was open: the command acts on the state it
    // was chosen for, as the button does once its caption follows, so a stale Stop stops
    // nothing and starts nothing.
    if (command == IDC_RECORD && m_recordings.IsWanted(id) != stopShown)
        return;
    // Set and the web page take the lowest selected row, Record, Record Files and the details
    // the highest: with this row alone selected, all of them take it.
    if (command != ID_COPY_ROWS)
        SelectOnlyRow(row);
    SendMessage(WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

// Window thread. The menu of the list's empty space.
void COrvaneDlg::ShowListMenu(POINT screen)
{
    HMENU menu = ::CreatePopupMenu();
    if (!menu)
        return;
    AppendMenuText(menu, ID_COPY_ALL, IDS_MENU_COPY_ALL);
    AppendMenuText(menu, ID_SEARCH_NOW, IDS_MENU_SEARCH_NOW);
    AppendMenuText(menu, ID_SEARCH_NETWORKS, IDS_MENU_SEARCH_NETWORKS);
    const UINT_PTR command = TrackMenu(menu, screen, m_hWnd);
    ::DestroyMenu(menu);
    if (command != 0)
        SendMessage(WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

void COrvaneDlg::SelectOnlyRow(int row)
{
    m_list.SetItemState(-1, 0, LVIS_SELECTED);
    m_list.SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    m_list.SetSelectionMark(row);
}

// Window thread. Nothing selected: the clipboard keeps what it holds.
void COrvaneDlg::OnCopyRows()
{
    const std::vector<int> rows = AllSelected(m_list);
    if (!rows.empty())
        CopyToClipboard(rows);
}

// Window thread. An empty table gives the header line alone.
void COrvaneDlg::OnCopyAll()
{
    CopyToClipboard(AllRows(m_list));
}

// Window thread: the rows are read in one go, so no announcement moves them meanwhile.
void COrvaneDlg::CopyToClipboard(const std::vector<int>& rows)
{
    if (!PutTextOnClipboard(m_hWnd, RowsAsText(m_list, rows)))
        MessageBox(LoadResourceString(IDS_COPY_FAILED));
}

// Window thread. Each scanner sends its probe at once, or 1 s after its previous one.
void COrvaneDlg::OnSearchNow()
{
    for (find_devices* scanner : m_scanners)
        scanner->SearchNow();
}

// Window thread. The dialog's own loop keeps the main window answering while it is open.
void COrvaneDlg::OnSearchNetworks()
{
    CSearchDlg dialog(m_hWnd, m_networkSearch, m_lastSearchText);
    dialog.DoModal();
}
