// Holds a visible list's painting while new rows arrive in numbers, and paints them together.
//
// A row inserted at the top of a visible list makes the list scroll and repaint at once; when
// hundreds of boxes answer one probe, that painting, not the table work, would set the pace
// (tens of milliseconds per row under Wine). So the list stops painting at the first new row
// and paints everything once the hold's timer ends it. Window thread only.
#pragma once

#include "framework/ListCtrl.h"

class RedrawHold {
public:
    // The hold's timer goes to the list's parent as WM_TIMER with this id; the parent passes it
    // to End. The parent's other timers use other ids.
    static constexpr UINT_PTR TIMER_ID = 0x4F52;  // 'OR'
    // While new rows keep arriving, the list is painted at most this often.
    static constexpr UINT PERIOD_MS = 200;

    void Attach(const CListCtrl& list) { m_list = list; }
    // Stops the list's painting until the timer ends the hold; nothing when the list is hidden
    // (nothing to paint) or already held.
    void Begin();
    // The timer's end of the hold: the list paints again, all at once.
    void End();

private:
    CListCtrl m_list;
    bool m_held = false;
};
