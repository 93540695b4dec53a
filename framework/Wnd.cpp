#include "framework/Wnd.h"

#include "framework/WinApp.h"

#include <vector>

std::wstring CWnd::GetWindowText() const
{
    int length = ::GetWindowTextLengthW(m_hWnd);
    std::vector<wchar_t> buffer(length + 1);
    int copied = ::GetWindowTextW(m_hWnd, buffer.data(), length + 1);
    return std::wstring(buffer.data(), copied > 0 ? copied : 0);
}

int CWnd::MessageBox(const std::wstring& text, const wchar_t* caption, UINT type) const
{
    const std::wstring appName = caption ? std::wstring() : AfxGetAppName();
    return ::MessageBoxW(m_hWnd, text.c_str(), caption ? caption : appName.c_str(), type);
}

void CWnd::CenterWindow() const
{
    RECT window;
    if (!::GetWindowRect(m_hWnd, &window))
        return;
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    if (!::GetMonitorInfoW(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST), &monitor))
        return;
    const RECT& area = monitor.rcWork;
    int width = window.right - window.left;
    int height = window.bottom - window.top;
    int x = area.left + ((area.right - area.left) - width) / 2;
    int y = area.top + ((area.bottom - area.top) - height) / 2;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
