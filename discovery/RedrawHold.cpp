#include "discovery/RedrawHold.h"

void RedrawHold::Begin()
{
    HWND list = m_list.GetSafeHwnd();
    if (m_held || !(::GetWindowLongPtrW(list, GWL_STYLE) & WS_VISIBLE))
        return;
    // Without the timer nothing would end the hold, so painting is held only when it is set.
    if (!::SetTimer(::GetParent(list), TIMER_ID, PERIOD_MS, nullptr))
        return;
    m_list.SendMessage(WM_SETREDRAW, FALSE);
    m_held = true;
}

void RedrawHold::End()
{
    HWND list = m_list.GetSafeHwnd();
    ::KillTimer(::GetParent(list), TIMER_ID);
    if (!m_held)
        return;
    m_held = false;
    m_list.SendMessage(WM_SETREDRAW, TRUE);
    ::RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}
