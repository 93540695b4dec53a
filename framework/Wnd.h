// A view of a window: one HWND, copyable, owns nothing.
#pragma once

#include <windows.h>

#include <string>

class CWnd {
public:
    CWnd() = default;
    explicit CWnd(HWND hwnd) : m_hWnd(hwnd) {}

    HWND GetSafeHwnd() const { return m_hWnd; }
    bool IsValid() const { return m_hWnd != nullptr; }
    CWnd GetDlgItem(int id) const { return CWnd(::GetDlgItem(m_hWnd, id)); }
    LRESULT SendMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const { return ::SendMessageW(m_hWnd, msg, wp, lp); }
    void SetWindowText(const std::wstring& text) const { ::SetWindowTextW(m_hWnd, text.c_str()); }
    std::wstring GetWindowText() const;
    BOOL MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE) const
    {
        return ::MoveWindow(m_hWnd, x, y, width, height, repaint);
    }
    void GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }
    void GetWindowRect(RECT* rect) const { ::GetWindowRect(m_hWnd, rect); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    void InvalidateRect(const RECT* rect, BOOL erase = TRUE) const { ::InvalidateRect(m_hWnd, rect, erase); }
    // A message box owned by this window; without a caption it carries the application's name.
    int MessageBox(const std::wstring& text, const wchar_t* caption = nullptr, UINT type = MB_OK) const;
    // Centres the window in the work area of the monitor that holds it (the dialog has no owner).
    void CenterWindow() const;

protected:
    HWND m_hWnd = nullptr;
};
