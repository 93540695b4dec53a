// A right click on a row while new boxes arrive: the list selects the pressed row at the press
// and handles messages until the release, so rows inserted meanwhile move the pressed box
// away from the pointer. The menu and its command still act on the pressed box.
// Real dialog, real list-view and menu under Wine; the mouse messages are posted to the list.
#include "tests/unit/BoxRows.h"
#include "tests/unit/MainDialogFixture.h"

namespace {

TestBox Box(DeviceId id)
{
    return {id, "10.86.1.79", "10.86.1.79", "255.255.255.0", "10.86.1.1", "02:00:00:00:00:02"};
}

// Ends a menu that no key ended (the test then fails instead of hanging).
void CALLBACK EndStuckMenu(HWND, UINT, UINT_PTR, DWORD)
{
    ::EndMenu();
}

class RowMenuPress : public MainDialogTest {};

TEST_F(RowMenuPress, TheMenuActsOnThePressedBoxWhenRowsArriveBeforeTheRelease)
{
    for (DeviceId id : {7303, 7302, 7301}) {  // rows 0, 1, 2 = 7301, 7302, 7303
        ASSERT_GE(PutBoxRow(Box(id)), 0);
        SetRecording(id, true);  // every row's menu offers "Stop"
    }
    const HWND list = List().GetSafeHwnd();
    RECT rowRect = {LVIR_BOUNDS, 0, 0, 0};
    ASSERT_TRUE(List().SendMessage(LVM_GETITEMRECT, 2, (LPARAM)&rowRect));
    const POINT client = {rowRect.left + 20, (rowRect.top + rowRect.bottom) / 2};
    POINT screen = client;
    ::ClientToScreen(list, &screen);
    // The list reports the release at the pointer's position.
    ::SetCursorPos(screen.x, screen.y);

    // Queued before the press, taken while the list waits for the release: two new boxes at
    // the top move box 7303 from row 2 to row 4, and box 7301 to row 2, under the pointer.
    for (DeviceId id : {7304, 7305}) {
        const DeviceDatagram datagram = AnnouncementOf(Box(id));
        HandleLikeAReceiver(&datagram, DATAGRAM_SIZE, 1, HostAddress("10.86.1.79"));
    }
    ::PostMessageW(list, WM_RBUTTONUP, 0, MAKELPARAM(client.x, client.y));
    ::PostMessageW(list, WM_CHAR, L't', 0);  // the menu's "S&top"
    const UINT_PTR guard = ::SetTimer(nullptr, 0, 10000, &EndStuckMenu);
    List().SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(client.x, client.y));
    ::KillTimer(nullptr, guard);

    ASSERT_EQ(RowIds(List()), std::vector<DeviceId>({7305, 7304, 7301, 7302, 7303}));
    EXPECT_FALSE(m_dialog->Recordings().IsWanted(7303)) << "Stop did not reach the pressed box";
    EXPECT_TRUE(m_dialog->Recordings().IsWanted(7301)) << "Stop reached the box under the pointer";
    EXPECT_TRUE(m_dialog->Recordings().IsWanted(7302));
    EXPECT_EQ(TagOfRow(List(), 4)->state, ROW_IDLE);
    EXPECT_EQ(List().GetSelectedCount(), 1u);
    EXPECT_EQ(List().GetItemState(4, LVIS_SELECTED), (UINT)LVIS_SELECTED);
    PumpFor(300);  // the list paints the new rows again
}

} // namespace
