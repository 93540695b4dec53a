// The real main dialog's window in this process: its size and place, the layout of its
// controls after resizes, its title and the scanners behind the title.
#include "tests/unit/CaptionExtent.h"
#include "tests/unit/DiscoveryTestSupport.h"

#include "discovery/AddressTable.h"
#include "discovery/Ipv4Text.h"
#include "framework/TextCodec.h"

#include <gtest/gtest.h>

namespace {

// The local address table (the test LAN's addresses stay the same while the tests run).
void ReadAddressTable(std::vector<MIB_IPADDRROW>* rows)
{
    ASSERT_TRUE(ReadIpAddressTable(rows)) << "GetIpAddrTable failed";
}

// The screen's DPI as this process sees it (read here, not through the program's code), and a
// pixel number given for 96 DPI at that DPI. The normal test run is at 96 DPI, where every
// number is the one given; tests/e2e/dpi.sh runs these tests at 144 and 192 DPI as well.
int TestDpi()
{
    HDC screen = ::GetDC(nullptr);
    int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    return dpi;
}

int PxAt(int pixelsAt96, int dpi)
{
    return ::MulDiv(pixelsAt96, dpi, 96);
}

int Px(int pixelsAt96)
{
    return PxAt(pixelsAt96, TestDpi());
}

// The nine columns' headers and their widths at 96 DPI.
struct Column {
    const wchar_t* header;
    int width;
};
const Column COLUMNS[] = {
    {L"ID", 45},          {L"Active Time", 80}, {L"Lan IP", 105},     {L"Lan Static IP", 105}, {L"Lan Netmask", 95},
    {L"Lan Gateway", 95}, {L"Lan Mac", 118},    {L"Description", 150}, {L"Record", 65},
};

// A control's rectangle in the dialog's client coordinates.
RECT ControlRect(HWND dialog, int id)
{
    RECT rect = {};
    HWND control = ::GetDlgItem(dialog, id);
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The list fills the client area above a 40-pixel strip, and the four buttons sit 34 pixels
// above the bottom: Record at 10, Record Files at 100 (25 pixels wider), Set 160 and Clear 80
// pixels from the right, all with Clear's size (pixels at 96 DPI, scaled to dpi). Returns the
// client size.
std::pair<int, int> ExpectLayout(HWND window, int dpi, int buttonWidth, int buttonHeight)
{
    RECT client;
    ::GetClientRect(window, &client);
    const int W = client.right, H = client.bottom;
    SCOPED_TRACE("client " + std::to_string(W) + " x " + std::to_string(H) + " at " + std::to_string(dpi) + " DPI");
    RECT list = ControlRect(window, IDC_DEVICE_LIST);
    EXPECT_EQ(list.left, 0);
    EXPECT_EQ(list.top, 0);
    EXPECT_EQ(list.right - list.left, W);
    EXPECT_EQ(list.bottom - list.top, std::max(H - PxAt(40, dpi), 0));
    struct Button {
        int id;
        int x;
        int width;
    };
    const Button buttons[] = {{IDC_CLEAR, W - PxAt(80, dpi), buttonWidth},
                              {IDC_SET, W - PxAt(160, dpi), buttonWidth},
                              {IDC_RECORD, PxAt(10, dpi), buttonWidth},
                              {IDC_RECORD_FILES, PxAt(100, dpi), buttonWidth + PxAt(25, dpi)}};
    for (const Button& button : buttons) {
        RECT rect = ControlRect(window, button.id);
        EXPECT_EQ(rect.left, button.x) << "control " << button.id;
        EXPECT_EQ(rect.top, H - PxAt(34, dpi)) << "control " << button.id;
        EXPECT_EQ(rect.right - rect.left, button.width) << "control " << button.id;
        EXPECT_EQ(rect.bottom - rect.top, buttonHeight) << "control " << button.id;
    }
    return std::make_pair(W, H);
}

// The list's column widths are those of COLUMNS at dpi.
void ExpectColumnWidths(const CListCtrl& list, int dpi)
{
    for (int index = 0; index < 9; ++index)
        EXPECT_EQ(list.SendMessage(LVM_GETCOLUMNWIDTH, index), PxAt(COLUMNS[index].width, dpi))
            << "column " << index << " at " << dpi << " DPI";
}

class MainWindowTest : public MainDialogTest {
protected:
    void SetUp() override
    {
        MainDialogTest::SetUp();
        if (m_dialog)
            m_window = m_dialog->GetSafeHwnd();
    }

    HWND m_window = nullptr;  // the main dialog's window
};

} // namespace

// 880 x 400 at 96 DPI, as much larger as the DPI is.
TEST_F(MainWindowTest, OpensAt880By400CentredInTheWorkArea)
{
    RECT window;
    ASSERT_TRUE(::GetWindowRect(m_window, &window));
    EXPECT_EQ(window.right - window.left, Px(880)) << "at " << TestDpi() << " DPI";
    EXPECT_EQ(window.bottom - window.top, Px(400)) << "at " << TestDpi() << " DPI";

    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    ASSERT_TRUE(::GetMonitorInfoW(::MonitorFromWindow(m_window, MONITOR_DEFAULTTONEAREST), &monitor));
    const RECT& work = monitor.rcWork;
    // Equal margins left and right, top and bottom (an odd remainder may go either way).
    EXPECT_LE(std::abs((window.left - work.left) - (work.right - window.right)), 1);
    EXPECT_LE(std::abs((window.top - work.top) - (work.bottom - window.bottom)), 1);
}

TEST_F(MainWindowTest, DialogHasASizingBorder)
{
    LONG_PTR style = ::GetWindowLongPtrW(m_window, GWL_STYLE);
    EXPECT_TRUE(style & WS_THICKFRAME);
    EXPECT_FALSE(style & DS_MODALFRAME);
    EXPECT_TRUE(style & WS_MAXIMIZEBOX);
}

// After every resize the list fills the client area above a 40-pixel strip, and the four
// buttons sit 34 pixels above the bottom: Record at 10, Record Files at 100 (25 pixels wider),
// Set 160 and Clear 80 pixels from the right, all with Clear's size (pixels at 96 DPI, scaled
// to the DPI). Sizes below 160 x 40 are passed on unclamped (negative places; a negative
// height leaves the list empty-high).
TEST_F(MainWindowTest, LayoutFollowsTheClientSize)
{
    RECT saved;
    ASSERT_TRUE(::GetWindowRect(m_window, &saved));
    RECT clear = ControlRect(m_window, IDC_CLEAR);
    const int buttonWidth = clear.right - clear.left;
    const int buttonHeight = clear.bottom - clear.top;
    ASSERT_GT(buttonWidth, 0);
    ASSERT_GT(buttonHeight, 0);

    struct ClientSize {
        int width, height;
        bool exact;  // small sizes are raised to the window's minimum tracking size
    };
    const ClientSize sizes[] = {
        {1200, 700, true}, {640, 480, true}, {400, 200, true}, {300, 60, true},
        {170, 45, false},  {150, 39, false}, {100, 30, false}, {20, 10, false},
    };
    const LONG_PTR style = ::GetWindowLongPtrW(m_window, GWL_STYLE);
    const LONG_PTR exStyle = ::GetWindowLongPtrW(m_window, GWL_EXSTYLE);
    auto checkLayout = [&](const char* when) {
        SCOPED_TRACE(when);
        return ExpectLayout(m_window, TestDpi(), buttonWidth, buttonHeight);
    };

    bool sawNegativeX = false, sawNegativeHeight = false;
    for (const ClientSize& size : sizes) {
        RECT frame = {0, 0, size.width, size.height};
        ::AdjustWindowRectEx(&frame, (DWORD)style, FALSE, (DWORD)exStyle);
        ::SetWindowPos(m_window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        PumpFor(20);
        auto [W, H] = checkLayout(("asked " + std::to_string(size.width) + " x " + std::to_string(size.height)).c_str());
        if (size.exact) {
            EXPECT_EQ(W, size.width);
            EXPECT_EQ(H, size.height);
        }
        sawNegativeX = sawNegativeX || W - Px(160) < 0;
        sawNegativeHeight = sawNegativeHeight || H - Px(40) < 0;
    }
    EXPECT_TRUE(sawNegativeX) << "no size made W - 160 negative";
    EXPECT_TRUE(sawNegativeHeight) << "no size made H - 40 negative";

    // Maximise and minimise through the system menu's commands, then restore: laid out again.
    // (The pause lets the display server's answers to the moves above arrive first.)
    ::SetWindowPos(m_window, nullptr, saved.left, saved.top, saved.right - saved.left, saved.bottom - saved.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    PumpFor(300);
    ::SendMessageW(m_window, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    PumpFor(50);
    EXPECT_TRUE(::IsZoomed(m_window));
    checkLayout("maximised");
    ::SendMessageW(m_window, WM_SYSCOMMAND, SC_RESTORE, 0);
    ::SendMessageW(m_window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    PumpFor(50);
    EXPECT_TRUE(::IsIconic(m_window));
    ::SendMessageW(m_window, WM_SYSCOMMAND, SC_RESTORE, 0);
    PumpFor(50);
    EXPECT_FALSE(::IsIconic(m_window));
    checkLayout("restored");
    RECT restored;
    ::GetWindowRect(m_window, &restored);
    EXPECT_EQ(restored.right - restored.left, saved.right - saved.left);
    EXPECT_EQ(restored.bottom - restored.top, saved.bottom - saved.top);
    ::SetWindowPos(m_window, nullptr, saved.left, saved.top, saved.right - saved.left, saved.bottom - saved.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

// The title lists every local address but 127.0.0.1, in address-table order, joined by "|".
TEST_F(MainWindowTest, TitleListsTheLocalAddresses)
{
    std::vector<MIB_IPADDRROW> table;
    ASSERT_NO_FATAL_FAILURE(ReadAddressTable(&table));
    ASSERT_FALSE(table.empty());
    std::string expected = "My IP: ";
    bool first = true;
    for (const MIB_IPADDRROW& row : table) {
        std::string address = Ipv4ToText(row.dwAddr);
        if (address == "127.0.0.1")
            continue;
        expected += (first ? "" : "|") + address;
        first = false;
    }
    expected += " (Please disable firewall before scan!)";
    std::wstring title = MainDialog().GetWindowText();
    EXPECT_EQ(WideToNarrow(title), expected);
    for (const TestLanAddress& pc : TEST_LAN_PC_ADDRESSES)
        EXPECT_NE(title.find(NarrowToWide(pc.address)), std::wstring::npos) << pc.address;
    EXPECT_EQ(title.find(L"127.0.0.1"), std::wstring::npos);
}

// One scanner per address-table row, 127.0.0.1 included, each bound to its own address.
TEST_F(MainWindowTest, OneRunningScannerPerAddress)
{
    std::vector<MIB_IPADDRROW> table;
    ASSERT_NO_FATAL_FAILURE(ReadAddressTable(&table));
    ASSERT_GE(table.size(), 3u) << "the test LAN's PC has 10.86.1.1, 10.86.2.1 and 127.0.0.1";
    const std::vector<find_devices*>& scanners = MainDialog().m_scanners;
    ASSERT_EQ(scanners.size(), table.size());
    for (const MIB_IPADDRROW& row : table) {
        int bound = 0;
        for (find_devices* scanner : scanners) {
            sockaddr_in local = {};
            int length = sizeof local;
            if (scanner->IsRunning() && ::getsockname(scanner->Socket(), (sockaddr*)&local, &length) == 0 &&
                local.sin_addr.s_addr == row.dwAddr && local.sin_port != 0)
                ++bound;
        }
        EXPECT_EQ(bound, 1) << Ipv4ToText(row.dwAddr);
    }
}

// The nine columns, read back from the real list: headers in their order, centred, with their
// widths (exactly these at 96 DPI, scaled at any other).
TEST_F(MainWindowTest, ColumnsHaveTheirHeadersOrderAndWidths)
{
    const Column* columns = COLUMNS;
    const CListCtrl& list = MainDialog().DeviceListCtrl();
    const int dpi = TestDpi();
    for (int index = 0; index < 9; ++index) {
        SCOPED_TRACE("column " + std::to_string(index));
        wchar_t header[64] = {};
        LVCOLUMNW column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.pszText = header;
        column.cchTextMax = 64;
        ASSERT_TRUE(list.SendMessage(LVM_GETCOLUMNW, index, (LPARAM)&column));
        EXPECT_EQ(std::wstring(header), columns[index].header);
        EXPECT_EQ(column.cx, ::MulDiv(columns[index].width, dpi, 96)) << "at " << dpi << " DPI";
        if (dpi == 96) {
            EXPECT_EQ(column.cx, columns[index].width);
        }
        if (index > 0) {  // the list keeps its first column left-aligned whatever it was given
            EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_CENTER);
        }
        EXPECT_EQ(list.SendMessage(LVM_GETCOLUMNWIDTH, index), column.cx);
    }
    wchar_t beyond[64] = {};
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT;
    column.pszText = beyond;
    column.cchTextMax = 64;
    EXPECT_FALSE(list.SendMessage(LVM_GETCOLUMNW, 9, (LPARAM)&column)) << "no tenth column";
}

// Moved to a monitor with another DPI (WM_DPICHANGED, as Windows sends it): the window takes
// the suggested rectangle, and Clear's size, the layout's offsets and the column widths follow
// the new DPI by the rules of the start; moved back, all is as it was.
TEST_F(MainWindowTest, FollowsAMoveToAMonitorWithAnotherDpi)
{
    // Another DPI at which the window fits the test display (Wine keeps a window within the
    // screen's size).
    const int startDpi = TestDpi();
    const int otherDpi = startDpi >= 144 ? 96 : 120;
    RECT saved;
    ASSERT_TRUE(::GetWindowRect(m_window, &saved));
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    ASSERT_TRUE(::GetMonitorInfoW(::MonitorFromWindow(m_window, MONITOR_DEFAULTTONEAREST), &monitor));
    const POINT corner = {monitor.rcWork.left + 10, monitor.rcWork.top + 10};
    const RECT clear = ControlRect(m_window, IDC_CLEAR);
    const int buttonWidth = clear.right - clear.left;
    const int buttonHeight = clear.bottom - clear.top;
    const CListCtrl& list = MainDialog().DeviceListCtrl();

    struct Move {
        const char* label;
        int dpi;
        RECT suggested;
    };
    const Move moves[] = {
        {"to the other monitor", otherDpi,
         {corner.x, corner.y, corner.x + PxAt(880, otherDpi), corner.y + PxAt(400, otherDpi)}},
        {"back", startDpi, saved},
    };
    for (const Move& move : moves) {
        SCOPED_TRACE(move.label);
        RECT suggested = move.suggested;
        ::SendMessageW(m_window, WM_DPICHANGED, MAKEWPARAM(move.dpi, move.dpi), (LPARAM)&suggested);
        PumpFor(50);
        RECT window;
        ASSERT_TRUE(::GetWindowRect(m_window, &window));
        EXPECT_EQ(window.left, move.suggested.left);
        EXPECT_EQ(window.top, move.suggested.top);
        EXPECT_EQ(window.right, move.suggested.right);
        EXPECT_EQ(window.bottom, move.suggested.bottom);
        ExpectLayout(m_window, move.dpi, ::MulDiv(buttonWidth, move.dpi, startDpi),
                     ::MulDiv(buttonHeight, move.dpi, startDpi));
        ExpectColumnWidths(list, move.dpi);
    }
}

// A typical row's texts fit their columns in the list's own font, whatever the DPI: the text
// plus the list's cell padding (12 pixels at 96 DPI) is never wider than the column, so no
// cell ends in "...". (The 95-pixel netmask and gateway columns are too narrow for the widest
// address, 255.255.255.255, even at 96 DPI.)
TEST_F(MainWindowTest, AddressAndMacTextsFitTheirColumns)
{
    struct Cell {
        int column;
        const wchar_t* text;
    };
    const Cell cells[] = {
        {1, L"23:59:58"},      {2, L"192.168.100.200"},   {3, L"192.168.100.200"}, {4, L"255.255.255.0"},
        {5, L"192.168.1.254"},  {6, L"aa:bb:cc:0d:ee:ff"}, {8, L"Open"},
    };
    const CListCtrl& list = MainDialog().DeviceListCtrl();
    for (const Cell& cell : cells) {
        const int textWidth = (int)list.SendMessage(LVM_GETSTRINGWIDTHW, 0, (LPARAM)cell.text);
        const int columnWidth = (int)list.SendMessage(LVM_GETCOLUMNWIDTH, cell.column);
        ASSERT_GT(textWidth, 0);
        EXPECT_LE(textWidth + Px(12), columnWidth)
            << "column " << cell.column << " at " << TestDpi() << " DPI: '" << WideToNarrow(cell.text) << "' is "
            << textWidth << " pixels wide";
    }
}

// At the opening size the four buttons lie wholly inside the client area, apart from each
// other and below the list, at any DPI.
TEST_F(MainWindowTest, ButtonsLieInsideTheClientAreaApartAndBelowTheList)
{
    RECT saved;
    ASSERT_TRUE(::GetWindowRect(m_window, &saved));
    ::SetWindowPos(m_window, nullptr, 0, 0, Px(880), Px(400), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    PumpFor(50);
    RECT client;
    ::GetClientRect(m_window, &client);
    const RECT list = ControlRect(m_window, IDC_DEVICE_LIST);
    const int ids[] = {IDC_RECORD, IDC_RECORD_FILES, IDC_SET, IDC_CLEAR};  // left to right
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE("control " + std::to_string(ids[i]) + " at " + std::to_string(TestDpi()) + " DPI");
        const RECT button = ControlRect(m_window, ids[i]);
        EXPECT_GE(button.left, client.left);
        EXPECT_LE(button.right, client.right);
        EXPECT_GE(button.top, list.bottom) << "below the list";
        EXPECT_LE(button.bottom, client.bottom) << "not clipped at the bottom";
        if (i > 0) {
            EXPECT_GT(button.left, ControlRect(m_window, ids[i - 1]).right) << "apart from its left neighbour";
        }
        // The caption fits the button in the button's own font.
        const CaptionExtent caption = MeasureCaption(::GetDlgItem(m_window, ids[i]));
        EXPECT_LT(caption.size.cx, button.right - button.left) << WideToNarrow(caption.text);
        EXPECT_LT(caption.size.cy, button.bottom - button.top) << WideToNarrow(caption.text);
    }
    ::SetWindowPos(m_window, nullptr, saved.left, saved.top, saved.right - saved.left, saved.bottom - saved.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    PumpFor(50);
}
