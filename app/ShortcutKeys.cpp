// The main window's keys Ctrl+C, Ctrl+A, Ctrl+F and F5, whichever of its controls has the focus.
#include "app/OrvaneDlg.h"

namespace {

bool KeyDown(int virtualKey)
{
    return ::GetKeyState(virtualKey) < 0;
}

} // namespace

// Window thread: Ctrl+C, Ctrl+A, Ctrl+F and F5 of the main window. True when the key was one of them.
bool COrvaneDlg::OnShortcutKey(WPARAM key)
{
    const bool control = KeyDown(VK_CONTROL);
    const bool alt = KeyDown(VK_MENU);
    const bool shift = KeyDown(VK_SHIFT);
    if (control && !alt && !shift && key == 'C') {
        OnCopyRows();
    } else if (control && !alt && !shift && key == 'A') {
        m_list.SetItemState(-1, LVIS_SELECTED, LVIS_SELECTED);
    } else if (control && !alt && !shift && key == 'F') {
        // Opened once the key's message is done with, not inside the message filter.
        ::PostMessageW(m_hWnd, WM_COMMAND, MAKEWPARAM(ID_SEARCH_NETWORKS, 0), 0);
    } else if (!control && !alt && !shift && key == VK_F5) {
        OnSearchNow();
    } else {
        return false;
    }
    return true;
}

// Window thread. The dialog's message loop hands every message to this filter before its own
// keyboard handling, so the keys work whichever of the main window's controls has the focus;
// other windows' keys (the Set dialog's, a menu's) pass on.
LRESULT CALLBACK COrvaneDlg::FilterShortcutKeys(int code, WPARAM wParam, LPARAM lParam)
{
    const MSG* msg = reinterpret_cast<const MSG*>(lParam);
    COrvaneDlg* dialog = g_mainDialog;
    if (code == MSGF_DIALOGBOX && dialog && msg->message == WM_KEYDOWN &&
        (msg->hwnd == dialog->m_hWnd || ::IsChild(dialog->m_hWnd, msg->hwnd)) && dialog->OnShortcutKey(msg->wParam))
        return 1;
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}
