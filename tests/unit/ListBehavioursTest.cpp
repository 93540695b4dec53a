// Row colours, the selection watcher and Clear, on the real main dialog and its list-view.
#include "tests/unit/BoxRows.h"
#include "tests/unit/MainDialogFixture.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace {

constexpr COLORREF RECORDING_BLUE = RGB(204, 232, 255);
constexpr COLORREF WHITE = RGB(255, 255, 255);
constexpr COLORREF SENTINEL = RGB(1, 2, 3);

TestBox Box(DeviceId id)
{
    return {id, "10.86.1.77", "10.86.1.77", "255.255.255.0", "10.86.1.1", "02:00:00:00:00:01"};
}

class ListBehaviours : public MainDialogTest {
protected:
    // Shows the boxes in this order, so the last one ends up at the top.
    void ShowBoxes(std::initializer_list<DeviceId> ids)
    {
        for (DeviceId id : ids)
            ASSERT_GE(PutBoxRow(Box(id)), 0);
    }

    // Waits until the watcher shows the caption and row; returns how long that took in ms.
    long WaitForWatcher(const std::wstring& caption, int row)
    {
        auto start = std::chrono::steady_clock::now();
        bool reached = PumpUntil(
            [&] { return ControlText(*m_dialog, IDC_RECORD) == caption && m_dialog->SelectedRow() == row; }, 3000);
        long took = (long)std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
                        .count();
        EXPECT_TRUE(reached) << "caption \"" << std::string(caption.begin(), caption.end()) << "\" row " << row
                             << " not reached; caption is now length " << ControlText(*m_dialog, IDC_RECORD).size()
                             << ", row " << m_dialog->SelectedRow();
        // It must also stay there: later passes agree with the first one that got it right.
        PumpFor(100);
        EXPECT_EQ(ControlText(*m_dialog, IDC_RECORD), caption);
        EXPECT_EQ(m_dialog->SelectedRow(), row);
        return took;
    }

    COLORREF PixelOfRow(int row)
    {
        RECT cell = {};
        cell.top = 1;  // subitem "Active Time": its text is centred, so its left edge is background
        cell.left = LVIR_BOUNDS;
        List().SendMessage(LVM_GETSUBITEMRECT, (WPARAM)row, (LPARAM)&cell);
        HDC dc = ::GetDC(List().GetSafeHwnd());
        COLORREF colour = ::GetPixel(dc, cell.left + 4, (cell.top + cell.bottom) / 2);
        ::ReleaseDC(List().GetSafeHwnd(), dc);
        return colour;
    }

    void Repaint()
    {
        ::RedrawWindow(List().GetSafeHwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        PumpFor(50);
    }
};

// --- Row colours --------------------------------------------------------------------------

struct DrawCase {
    const char* name;
    DWORD stage;
    bool withTag;
    int state;
    COLORREF expectedBackground;
};

TEST_F(ListBehaviours, CustomDrawColoursOnlyTheItemStageByState)
{
    const DrawCase cases[] = {
        {"recording row", CDDS_ITEMPREPAINT, true, ROW_RECORDING, RECORDING_BLUE},
        {"idle row", CDDS_ITEMPREPAINT, true, ROW_IDLE, WHITE},
        {"new row (state 0)", CDDS_ITEMPREPAINT, true, 0, SENTINEL},
        {"unknown state", CDDS_ITEMPREPAINT, true, 5, SENTINEL},
        {"row without tag", CDDS_ITEMPREPAINT, false, 0, SENTINEL},
        {"control stage", CDDS_PREPAINT, true, ROW_RECORDING, SENTINEL},
        {"subitem stage", CDDS_ITEMPREPAINT | CDDS_SUBITEM, true, ROW_RECORDING, SENTINEL},
        {"item post-paint", CDDS_ITEMPOSTPAINT, true, ROW_RECORDING, SENTINEL},
    };
    for (const DrawCase& c : cases) {
        RowTag tag{42, c.state};
        NMLVCUSTOMDRAW draw = {};
        draw.nmcd.hdr.hwndFrom = List().GetSafeHwnd();
        draw.nmcd.hdr.idFrom = IDC_DEVICE_LIST;
        draw.nmcd.hdr.code = NM_CUSTOMDRAW;
        draw.nmcd.dwDrawStage = c.stage;
        draw.nmcd.lItemlParam = c.withTag ? reinterpret_cast<LPARAM>(&tag) : 0;
        draw.clrText = SENTINEL;
        draw.clrTextBk = SENTINEL;
        LRESULT result = ::SendMessageW(m_dialog->GetSafeHwnd(), WM_NOTIFY, IDC_DEVICE_LIST, (LPARAM)&draw);
        EXPECT_EQ(result, CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT) << c.name;
        EXPECT_EQ(draw.clrTextBk, c.expectedBackground) << c.name;
        EXPECT_EQ(draw.clrText, SENTINEL) << c.name << ": the text colour is never changed";
    }
}

TEST_F(ListBehaviours, RowsArePaintedByStateAndFollowStateChanges)
{
    // The list's own background is set apart from white, so that a row left to the list's
    // colours can be told from an idle one.
    const COLORREF listGreen = RGB(160, 224, 160);
    List().SendMessage(LVM_SETBKCOLOR, 0, listGreen);
    List().SendMessage(LVM_SETTEXTBKCOLOR, 0, listGreen);
    ShowBoxes({801, 802, 803});  // rows: 803, 802, 801
    TagOfRow(List(), RowOf(List(), 802))->state = ROW_IDLE;
    TagOfRow(List(), RowOf(List(), 803))->state = ROW_RECORDING;
    Repaint();

    EXPECT_EQ(PixelOfRow(RowOf(List(), 801)), listGreen) << "state 0 keeps the list's colours";
    EXPECT_EQ(PixelOfRow(RowOf(List(), 802)), WHITE) << "idle";
    EXPECT_EQ(PixelOfRow(RowOf(List(), 803)), RECORDING_BLUE) << "recording";

    // A stop makes the row idle: white at the next paint, not the list's colour.
    TagOfRow(List(), RowOf(List(), 803))->state = ROW_IDLE;
    TagOfRow(List(), RowOf(List(), 801))->state = ROW_RECORDING;
    Repaint();
    EXPECT_EQ(PixelOfRow(RowOf(List(), 803)), WHITE);
    EXPECT_EQ(PixelOfRow(RowOf(List(), 801)), RECORDING_BLUE);

    List().SendMessage(LVM_SETBKCOLOR, 0, ::GetSysColor(COLOR_WINDOW));
    List().SendMessage(LVM_SETTEXTBKCOLOR, 0, CLR_DEFAULT);
}

// --- Selection watcher --------------------------------------------------------------------

TEST_F(ListBehaviours, WatcherFollowsTheHighestSelectedRowAndItsFlag)
{
    // An empty table: "Record" and no row.
    WaitForWatcher(L"Record", -1);

    ShowBoxes({603, 602, 601});  // rows 0, 1, 2 = 601, 602, 603
    SetRecording(602, true);
    struct Step {
        std::initializer_list<int> selected;
        const wchar_t* caption;
        int row;
    };
    const Step steps[] = {
        {{1}, L"Stop", 1},       // a recorded box
        {{0}, L"Record", 0},     // a box never recorded
        {{0, 1}, L"Stop", 1},    // several: the highest index decides
        {{1, 2}, L"Record", 2},
        {{0, 1, 2}, L"Record", 2},
        {{}, L"Record", -1},     // nothing selected any more
        {{1}, L"Stop", 1},
    };
    long slowest = 0;
    for (const Step& step : steps) {
        SelectRows(List(), step.selected);
        slowest = std::max(slowest, WaitForWatcher(step.caption, step.row));
    }
    std::printf("[ figure ] the Record caption followed the selection within %ld ms\n", slowest);
}

TEST_F(ListBehaviours, WatcherFollowsTheFlagAndRowMovesOfTheSelectedBox)
{
    ShowBoxes({612, 611});  // rows 0, 1 = 611, 612
    SelectRows(List(), {1});
    WaitForWatcher(L"Record", 1);

    SetRecording(612, true);  // as Record does
    WaitForWatcher(L"Stop", 1);

    ShowBoxes({613});  // a new box at the top moves the selected row down
    WaitForWatcher(L"Stop", 2);

    SetRecording(612, false);  // as Stop does
    WaitForWatcher(L"Record", 2);
}

TEST_F(ListBehaviours, WatcherNoticesAnotherBoxSelectedAtTheSameRow)
{
    ShowBoxes({632, 631});  // rows 0, 1 = 631, 632
    SetRecording(631, true);
    SelectRows(List(), {1});
    WaitForWatcher(L"Record", 1);

    // Between two passes: box 631 gets selected instead, and a new box at the top moves it to
    // the row 632 had.
    SelectRows(List(), {0});
    ShowBoxes({633});
    ASSERT_EQ(RowIds(List()), std::vector<DeviceId>({633, 631, 632}));
    WaitForWatcher(L"Stop", 1);
}

// The watcher learns the selection from the list's change notifications; the ways a selection
// changes besides a row at a time all reach it.
TEST_F(ListBehaviours, WatcherFollowsSelectionsOfEveryRowAndRowsThatGoAway)
{
    ShowBoxes({654, 653, 652, 651});  // rows 0..3 = 651..654
    SetRecording(654, true);
    List().SetItemState(-1, LVIS_SELECTED, LVIS_SELECTED);  // as Ctrl+A does
    WaitForWatcher(L"Stop", 3);
    List().SetItemState(-1, 0, LVIS_SELECTED);
    WaitForWatcher(L"Record", -1);

    // The selected row with the highest index deleted: the next one below takes over.
    SelectRows(List(), {1, 3});
    WaitForWatcher(L"Stop", 3);
    List().DeleteItem(3);
    WaitForWatcher(L"Record", 1);

    // A removed box that comes back gets a row that nobody selected.
    SelectRows(List(), {0});
    WaitForWatcher(L"Record", 0);
    SetRecording(654, false);
    ClickButton(*m_dialog, IDC_CLEAR);
    ShowBoxes({651});
    ASSERT_EQ(RowIds(List()), std::vector<DeviceId>({651}));
    WaitForWatcher(L"Record", -1);
}

namespace {

// Swallows the list's LVN_ITEMCHANGED on its way to the dialog while it exists.
class ItemChangedSwallower {
public:
    explicit ItemChangedSwallower(HWND dialog) : m_dialog(dialog)
    {
        s_oldProc = (WNDPROC)::SetWindowLongPtrW(dialog, GWLP_WNDPROC, (LONG_PTR)&Proc);
    }
    ~ItemChangedSwallower() { ::SetWindowLongPtrW(m_dialog, GWLP_WNDPROC, (LONG_PTR)s_oldProc); }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lParam)->code == LVN_ITEMCHANGED)
            return 0;
        return ::CallWindowProcW(s_oldProc, hwnd, message, wParam, lParam);
    }
    static WNDPROC s_oldProc;
    HWND m_dialog;
};
WNDPROC ItemChangedSwallower::s_oldProc = nullptr;

} // namespace

// Windows' list-view may report a change of every row's selection at once as one notification
// for item -1 (Wine's reports each row); the watcher then reads the whole selection again.
TEST_F(ListBehaviours, WatcherReadsTheWholeSelectionAfterAChangeOfEveryRow)
{
    ShowBoxes({643, 642, 641});  // rows 0, 1, 2 = 641, 642, 643
    SetRecording(642, true);
    WaitForWatcher(L"Record", -1);
    {
        ItemChangedSwallower swallower(m_dialog->GetSafeHwnd());
        SelectRows(List(), {0, 1});
    }
    NMLISTVIEW change = {};
    change.hdr.hwndFrom = List().GetSafeHwnd();
    change.hdr.idFrom = IDC_DEVICE_LIST;
    change.hdr.code = LVN_ITEMCHANGED;
    change.iItem = -1;
    change.uChanged = LVIF_STATE;
    change.uNewState = LVIS_SELECTED;
    change.uOldState = 0;
    m_dialog->SendMessage(WM_NOTIFY, IDC_DEVICE_LIST, (LPARAM)&change);
    WaitForWatcher(L"Stop", 1);
}

// --- Clear --------------------------------------------------------------------------------

struct ClearCase {
    const char* name;
    std::vector<DeviceId> recorded;
    std::vector<DeviceId> remaining;  // top to bottom
};

TEST_F(ListBehaviours, ClearKeepsExactlyTheRowsOfRecordedBoxesInOrder)
{
    const ClearCase cases[] = {
        {"none recorded", {}, {}},
        {"some recorded", {702, 704}, {704, 702}},
        {"all recorded", {701, 702, 703, 704}, {704, 703, 702, 701}},
    };
    for (const ClearCase& c : cases) {
        EmptyTable();
        ShowBoxes({701, 702, 703, 704});
        for (DeviceId id : c.recorded)
            SetRecording(id, true);
        ClickButton(*m_dialog, IDC_CLEAR);
        EXPECT_EQ(RowIds(List()), c.remaining) << c.name;
        for (DeviceId id : c.recorded)
            SetRecording(id, false);
    }
}

// Clear keeps nothing for the boxes whose rows it removes, and adds nothing: no RowTag, no
// recording flag entry. A recorded box keeps its row, its RowTag and its flag.
TEST_F(ListBehaviours, ClearReleasesWhatBelongsOnlyToRemovedRows)
{
    ShowBoxes({741, 742, 743, 744});
    SetRecording(742, true);
    SetRecording(743, false);  // an entry such as the watcher leaves for a box once selected
    RowTag* recordedTag = TagOfRow(List(), RowOf(List(), 742));

    ClickButton(*m_dialog, IDC_CLEAR);

    EXPECT_EQ(RowIds(List()), std::vector<DeviceId>({742}));
    EXPECT_EQ(RowTagsOf(m_dialog->Table()), std::vector<RowTag*>({recordedTag}));
    EXPECT_EQ(TagOfRow(List(), 0), recordedTag);
    for (DeviceId id : {741, 743, 744})
        EXPECT_FALSE(m_dialog->Recordings().HasFlag(id)) << "box " << id;
    EXPECT_TRUE(m_dialog->Recordings().IsWanted(742));

    // A removed box that answers again is a new box with a new row at the top.
    ShowBoxes({741});
    EXPECT_EQ(RowIds(List()), std::vector<DeviceId>({741, 742}));
    EXPECT_EQ(TagOfRow(List(), 1), recordedTag);
}

// Answers received before the click but not yet applied: those of removed boxes are dropped
// with their rows, so they do not bring the rows straight back; a recorded box's answer still
// refreshes its row, and a box that had no row yet still gets one.
TEST_F(ListBehaviours, ClearDropsTheQueuedAnswersOfTheBoxesItRemoves)
{
    ShowBoxes({761, 762, 763});
    SetRecording(762, true);
    for (DeviceId id : {761, 762, 763, 764, 761}) {
        TestBox box = Box(id);
        box.lanIp = "10.86.1.78";
        const DeviceDatagram datagram = AnnouncementOf(box);
        HandleLikeAReceiver(&datagram, DATAGRAM_SIZE, 1, HostAddress(box.lanIp));
    }
    ASSERT_TRUE(m_dialog->HasQueuedAnnouncements());
    // Before this thread takes any message, so before the queue is worked off.
    ClickButton(*m_dialog, IDC_CLEAR);
    ASSERT_EQ(RowIds(List()), std::vector<DeviceId>({762}));

    ASSERT_TRUE(WaitForQueuedAnnouncements());
    EXPECT_EQ(RowIds(List()), std::vector<DeviceId>({764, 762}));
    EXPECT_EQ(List().GetItemText(RowOf(List(), 762), COL_LAN_IP), L"10.86.1.78");
}

TEST_F(ListBehaviours, ClearOfAnEmptyTableDoesNothing)
{
    ClickButton(*m_dialog, IDC_CLEAR);
    EXPECT_EQ(List().GetItemCount(), 0);
    WaitForWatcher(L"Record", -1);
}

TEST_F(ListBehaviours, ClearDeletingTheSelectedRowForgetsItAtOnce)
{
    ShowBoxes({713, 712, 711});  // rows 0, 1, 2 = 711, 712, 713
    SetRecording(711, true);
    SelectRows(List(), {1});
    WaitForWatcher(L"Record", 1);

    ClickButton(*m_dialog, IDC_CLEAR);
    // Read before this thread handles any message, so before the watcher's next pass.
    EXPECT_EQ(m_dialog->SelectedRow(), -1);
    EXPECT_EQ(RowIds(List()), std::vector<DeviceId>({711}));
    WaitForWatcher(L"Record", -1);
}

TEST_F(ListBehaviours, ClearAboveTheSelectedRowLetsTheWatcherFindItsNewIndex)
{
    ShowBoxes({723, 722, 721});  // rows 0, 1, 2 = 721, 722, 723
    SetRecording(723, true);
    SelectRows(List(), {2});
    WaitForWatcher(L"Stop", 2);

    ClickButton(*m_dialog, IDC_CLEAR);
    EXPECT_EQ(RowIds(List()), std::vector<DeviceId>({723}));
    WaitForWatcher(L"Stop", 0);
}

} // namespace
