// Announcements handed to the real main dialog from other threads, the way scanner receivers
// hand them over: through the registered announcement sink, under ReplyLock, while the test's thread runs the
// dialog's message loop.
#include "tests/unit/DiscoveryTestSupport.h"

#include "app/AppMessages.h"
#include "discovery/BoardType.h"
#include "discovery/Ipv4Text.h"
#include "framework/TextCodec.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <random>
#include <set>
#include <thread>

namespace {

class DiscoveryDialogTest : public MainDialogTest {};

// Counts the messages that other threads send to the dialog and to its list directly, and the
// wake-ups for queued announcements. Messages the window thread sends to its own list while it
// handles a dialog message are not counted. The selection watcher's one message of a pass is
// not counted either: it comes every pass whatever the receivers do.
class CrossThreadMessageCounter {
public:
    CrossThreadMessageCounter(HWND dialog, HWND list) : m_dialog(dialog), m_list(list)
    {
        s_self = this;
        m_oldDialogProc = (WNDPROC)::SetWindowLongPtrW(dialog, GWLP_WNDPROC, (LONG_PTR)&DialogProc);
        m_oldListProc = (WNDPROC)::SetWindowLongPtrW(list, GWLP_WNDPROC, (LONG_PTR)&ListProc);
    }
    ~CrossThreadMessageCounter()
    {
        ::SetWindowLongPtrW(m_dialog, GWLP_WNDPROC, (LONG_PTR)m_oldDialogProc);
        ::SetWindowLongPtrW(m_list, GWLP_WNDPROC, (LONG_PTR)m_oldListProc);
        s_self = nullptr;
    }

    std::atomic<int> toDialog{0};
    std::atomic<int> toList{0};
    std::atomic<int> wakeUps{0};
    std::atomic<UINT> firstToList{0};  // the first message counted in toList, for the report

private:
    static LRESULT CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        CrossThreadMessageCounter* self = s_self;
        if (self->m_depth == 0 && ::InSendMessage() && message != WM_APP_READ_SELECTION)
            ++self->toDialog;
        if (self->m_depth == 0 && message == WM_APP_ANNOUNCEMENTS_QUEUED)
            ++self->wakeUps;
        ++self->m_depth;
        LRESULT result = ::CallWindowProcW(self->m_oldDialogProc, hwnd, message, wParam, lParam);
        --self->m_depth;
        return result;
    }

    static LRESULT CALLBACK ListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        CrossThreadMessageCounter* self = s_self;
        if (self->m_depth == 0 && ::InSendMessage()) {
            if (self->toList++ == 0)
                self->firstToList = message;
        }
        return ::CallWindowProcW(self->m_oldListProc, hwnd, message, wParam, lParam);
    }

    static CrossThreadMessageCounter* s_self;
    HWND m_dialog;
    HWND m_list;
    WNDPROC m_oldDialogProc;
    WNDPROC m_oldListProc;
    int m_depth = 0;  // window thread only
};

CrossThreadMessageCounter* CrossThreadMessageCounter::s_self = nullptr;

constexpr std::uint32_t kInterfaceA = 71;
constexpr std::uint32_t kInterfaceB = 72;

} // namespace

TEST_F(DiscoveryDialogTest, AnnouncementFromAReceiverThreadBecomesARow)
{
    AnnouncedBox box;
    box.id = 4101;
    box.staticIp = HostAddress("192.168.1.10");
    box.netmask = HostAddress("255.255.255.0");
    box.gateway = 0;
    const std::uint8_t mac[6] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
    std::memcpy(box.mac, mac, 6);
    box.boardType = 1302;
    DeviceDatagram datagram = MakeAnnouncementDatagram(box);

    ASSERT_TRUE(RunOnWorkerWhilePumping(
        [&] { HandleLikeAReceiver(&datagram, DATAGRAM_SIZE, kInterfaceA, HostAddress("10.86.1.14")); }, 10000));

    std::vector<TableRow> rows = ReadTable(List());
    ASSERT_EQ(rows.size(), 1u);
    const std::wstring expected[DEVICE_COLUMN_COUNT] = {
        L"4101", L"", L"10.86.1.14", L"192.168.1.10", L"255.255.255.0", L"0.0.0.0", L"00:1a:2b:3c:4d:5e",
        BoardTypeLabel(1302), L"Off"};
    for (int column = 0; column < DEVICE_COLUMN_COUNT; ++column) {
        if (column != COL_ACTIVE_TIME) {
            EXPECT_EQ(rows[0].cells[column], expected[column]) << "column " << column;
        }
    }
    EXPECT_EQ(rows[0].cells[COL_ACTIVE_TIME].size(), 8u);
    ASSERT_NE(rows[0].tag, nullptr);
    EXPECT_EQ(rows[0].tag->deviceId, 4101);
    EXPECT_EQ(rows[0].tag->state, 0);
    EXPECT_EQ(RowTagsOf(MainDialog().Table()).back(), rows[0].tag);
    std::uint32_t index = 0;
    ASSERT_TRUE(LookUpDeviceInterface(4101, &index));
    EXPECT_EQ(index, kInterfaceA);
}

// One box heard through two scanners: one row, and the map names the interface of the
// announcement handled last.
TEST_F(DiscoveryDialogTest, BoxHeardOnTwoInterfacesHasOneRow)
{
    DeviceDatagram datagram = MakeAnnouncementDatagram(AnnouncedBoxForId(4102));
    const std::uint32_t order[] = {kInterfaceA, kInterfaceB, kInterfaceA, kInterfaceB};
    std::uint32_t index = 0;
    for (std::uint32_t interfaceIndex : order) {
        ASSERT_TRUE(RunOnWorkerWhilePumping(
            [&] { HandleLikeAReceiver(&datagram, DATAGRAM_SIZE, interfaceIndex, HostAddress("10.86.2.10")); },
            10000));
        ASSERT_TRUE(LookUpDeviceInterface(4102, &index));
        EXPECT_EQ(index, interfaceIndex);
    }
    EXPECT_EQ(List().GetItemCount(), 1);
    EXPECT_EQ(RowTagsOf(MainDialog().Table()).back()->deviceId, 4102);
}

// Datagrams of the wrong length or type change neither the table nor the interface map.
TEST_F(DiscoveryDialogTest, RejectedDatagramsLeaveNoTrace)
{
    struct Case {
        const char* name;
        int length;
        std::uint32_t type;
    };
    const Case cases[] = {
        {"183 bytes", 183, MSG_ANNOUNCE},          {"185 bytes", 185, MSG_ANNOUNCE},
        {"empty", 0, MSG_ANNOUNCE},                {"probe", 184, MSG_PROBE},
        {"set command", 184, MSG_SET_NETWORK},     {"type bytes 65 00 00 01", 184, 0x01000065u},
        {"2048 bytes", 2048, MSG_ANNOUNCE},
    };
    DeviceId id = 4200;
    for (const Case& c : cases) {
        DeviceDatagram datagram = MakeAnnouncementDatagram(AnnouncedBoxForId(++id));
        datagram.msgType = c.type;
        std::vector<char> bytes(2048, 0);
        std::memcpy(bytes.data(), &datagram, sizeof datagram);
        ASSERT_TRUE(RunOnWorkerWhilePumping(
            [&] { HandleLikeAReceiver(bytes.data(), c.length, kInterfaceA, HostAddress("10.86.1.11")); }, 10000));
        std::uint32_t index = 0;
        EXPECT_FALSE(LookUpDeviceInterface(id, &index)) << c.name;
    }
    EXPECT_EQ(List().GetItemCount(), 0);
}

// The row search stays on the window thread, and receivers never wait for it: an announcement
// costs the receiver no message to the dialog or the list, however many rows there are, and
// the window thread is woken at most once per announcement.
TEST_F(DiscoveryDialogTest, ReceiversOnlyQueueTheirAnnouncements)
{
    constexpr int kRows = 1000;
    ASSERT_TRUE(RunOnWorkerWhilePumping(
        [&] {
            for (int i = 0; i < kRows; ++i) {
                DeviceDatagram datagram = MakeAnnouncementDatagram(AnnouncedBoxForId(5000 + i));
                HandleLikeAReceiver(&datagram, DATAGRAM_SIZE, kInterfaceA, HostAddress("10.86.1.12"));
            }
        },
        120000));
    ASSERT_EQ(List().GetItemCount(), kRows);

    constexpr int kAnnouncements = 300;
    CrossThreadMessageCounter counter(MainDialog().GetSafeHwnd(), List().GetSafeHwnd());
    ASSERT_TRUE(RunOnWorkerWhilePumping(
        [&] {
            std::mt19937 random(7);
            for (int i = 0; i < kAnnouncements; ++i) {
                // Mostly boxes already listed, the oldest (lowest) ones included; some new ones.
                DeviceId id = i % 10 == 0 ? 9000 + i : 5000 + (DeviceId)(random() % kRows);
                DeviceDatagram datagram = MakeAnnouncementDatagram(AnnouncedBoxForId(id));
                HandleLikeAReceiver(&datagram, DATAGRAM_SIZE, kInterfaceB, HostAddress("10.86.1.13"));
            }
        },
        60000));
    EXPECT_EQ(counter.toDialog.load(), 0);
    EXPECT_EQ(counter.toList.load(), 0) << "the first was message 0x" << std::hex << counter.firstToList.load();
    EXPECT_GE(counter.wakeUps.load(), 1);
    EXPECT_LE(counter.wakeUps.load(), kAnnouncements);
    EXPECT_EQ(List().GetItemCount(), kRows + kAnnouncements / 10);
}

// The window thread deletes rows (as Clear does) while receivers keep announcing: every
// announcement still lands on the row of its own box, never on a row that moved into its place.
TEST_F(DiscoveryDialogTest, AnnouncementsLandOnTheirOwnRowsWhileRowsAreDeleted)
{
    constexpr int kBoxes = 40;
    constexpr int kAnnouncements = 4000;
    constexpr int kPerBurst = 10;
    const COrvaneDlg& dialog = MainDialog();
    std::atomic<bool> done{false};
    std::thread receiver([&] {
        std::mt19937 random(99);
        for (int i = 0; i < kAnnouncements; ++i) {
            DeviceId id = 6000 + (DeviceId)(random() % kBoxes);
            DeviceDatagram datagram = MakeAnnouncementDatagram(AnnouncedBoxForId(id));
            HandleLikeAReceiver(&datagram, DATAGRAM_SIZE, kInterfaceA, (10u << 24) | (86u << 16) | (std::uint32_t)id);
            // Small bursts, each applied before the next, so that deletions fall between them.
            while ((i + 1) % kPerBurst == 0 && dialog.HasQueuedAnnouncements())
                ::Sleep(1);
        }
        done = true;
    });
    std::mt19937 random(5);
    int deletions = 0;
    while (!done) {
        PumpFor(1);
        int count = List().GetItemCount();
        if (count > 0 && random() % 3 == 0) {
            List().DeleteItem((int)(random() % count));
            ++deletions;
        }
    }
    receiver.join();
    ASSERT_TRUE(WaitForQueuedAnnouncements());
    EXPECT_GT(deletions, 50);

    std::set<DeviceId> seen;
    for (const TableRow& row : ReadTable(List())) {
        ASSERT_NE(row.tag, nullptr);
        DeviceId id = std::stoi(row.cells[COL_ID]);
        EXPECT_EQ(row.tag->deviceId, id);
        EXPECT_TRUE(seen.insert(id).second) << "box " << id << " has two rows";
        AnnouncedBox box = AnnouncedBoxForId(id);
        EXPECT_EQ(row.cells[COL_LAN_IP], NarrowToWide(Ipv4HostToText((10u << 24) | (86u << 16) | (std::uint32_t)id)));
        EXPECT_EQ(row.cells[COL_LAN_STATIC_IP], NarrowToWide(Ipv4HostToText(box.staticIp)));
        EXPECT_EQ(row.cells[COL_LAN_GATEWAY], NarrowToWide(Ipv4HostToText(box.gateway)));
        EXPECT_EQ(row.cells[COL_RECORD], L"Off");
    }
}

// A burst of answers is taken from the receivers while the window thread is busy elsewhere (a
// command, a modal dialog): the receivers do not wait for it, and once it gets to the queue
// every box gets exactly one row, the newest at the top, each with its latest announcement.
TEST_F(DiscoveryDialogTest, ReceiversGoOnWhileTheWindowThreadIsBusy)
{
    constexpr int kBoxes = 3000;
    std::atomic<bool> done{false};
    std::thread receiver([&] {
        for (int round = 0; round < 2; ++round) {
            for (int i = 0; i < kBoxes; ++i) {
                DeviceDatagram datagram = MakeAnnouncementDatagram(AnnouncedBoxForId(8000 + i));
                HandleLikeAReceiver(&datagram, DATAGRAM_SIZE, kInterfaceA, HostAddress(round ? "10.86.1.17" : "10.86.1.16"));
            }
        }
        done = true;
    });
    // This thread takes no message meanwhile, as in a long command.
    for (int waited = 0; !done && waited < 30000; waited += 10)
        ::Sleep(10);
    const bool finishedAlone = done;
    if (!finishedAlone)
        RunOnWorkerWhilePumping([&] { while (!done) ::Sleep(10); }, INFINITE);
    receiver.join();
    EXPECT_TRUE(finishedAlone) << "the receiver waited for the window thread";
    EXPECT_EQ(List().GetItemCount(), 0) << "nothing is written while the window thread is busy";

    ASSERT_TRUE(WaitForQueuedAnnouncements());
    std::vector<TableRow> rows = ReadTable(List());
    ASSERT_EQ(rows.size(), (size_t)kBoxes);
    for (int i = 0; i < kBoxes; ++i) {
        const TableRow& row = rows[i];
        const DeviceId id = 8000 + kBoxes - 1 - i;
        ASSERT_EQ(row.cells[COL_ID], std::to_wstring(id)) << "row " << i;
        ASSERT_NE(row.tag, nullptr);
        EXPECT_EQ(row.tag->deviceId, id);
        EXPECT_EQ(row.cells[COL_LAN_IP], L"10.86.1.17") << "row " << i << " shows an older announcement";
    }
}

// Hundreds of new boxes at once: the list may put off painting while they arrive, but it is
// visible and fully painted again soon after the last one.
TEST_F(DiscoveryDialogTest, ListPaintsAgainAfterABurstOfNewBoxes)
{
    HWND list = List().GetSafeHwnd();
    ASSERT_TRUE(::IsWindowVisible(list));
    ASSERT_TRUE(RunOnWorkerWhilePumping(
        [&] {
            for (int i = 0; i < 300; ++i) {
                DeviceDatagram datagram = MakeAnnouncementDatagram(AnnouncedBoxForId(7000 + i));
                HandleLikeAReceiver(&datagram, DATAGRAM_SIZE, kInterfaceA, HostAddress("10.86.1.15"));
            }
        },
        120000));
    PumpFor(1000);
    EXPECT_EQ(List().GetItemCount(), 300);
    EXPECT_TRUE(::IsWindowVisible(list));
    RECT unpainted;
    EXPECT_FALSE(::GetUpdateRect(list, &unpainted, FALSE)) << "the list still waits to be painted";

    // Painting is on again: rows the list is asked to redraw wait to be painted, and the next
    // pass of the message loop paints them. (While the list holds its painting it takes no
    // such request.)
    List().SendMessage(LVM_REDRAWITEMS, 0, (LPARAM)(List().GetItemCount() - 1));
    EXPECT_TRUE(::GetUpdateRect(list, &unpainted, FALSE)) << "the list took no redraw request";
    EXPECT_TRUE(PumpUntil([&] { return !::GetUpdateRect(list, nullptr, FALSE); }, 1000))
        << "the list was not painted after the redraw request";
}

namespace {

std::atomic<int> g_failedSliceTimers{0};

// Stands in for SetTimer, which under Wine does not fail for a valid window.
UINT_PTR WINAPI FailingSetTimer(HWND, UINT_PTR, UINT, TIMERPROC)
{
    ++g_failedSliceTimers;
    return 0;
}

} // namespace

// A slice of queued announcements that ends while the window waits to be painted asks for a
// timer for the next slice; when none can be set, the queue is still worked off to the end.
TEST_F(DiscoveryDialogTest, QueueDrainsWhenTheNextSliceGetsNoTimer)
{
    constexpr int kBoxes = 2000;
    g_failedSliceTimers = 0;
    m_dialog->m_setTimer = &FailingSetTimer;
    // A window that waits to be painted makes every slice end with a timer request.
    ::InvalidateRect(m_dialog->GetSafeHwnd(), nullptr, FALSE);
    for (int i = 0; i < kBoxes; ++i) {
        DeviceDatagram datagram = MakeAnnouncementDatagram(AnnouncedBoxForId(8500 + i));
        HandleLikeAReceiver(&datagram, DATAGRAM_SIZE, kInterfaceA, HostAddress("10.86.1.16"));
    }
    const bool drained = WaitForQueuedAnnouncements(60000);
    m_dialog->m_setTimer = &::SetTimer;
    if (!drained)  // leave the next test a working queue
        ::PostMessageW(m_dialog->GetSafeHwnd(), WM_APP_ANNOUNCEMENTS_QUEUED, 0, 0);
    ASSERT_GE(g_failedSliceTimers.load(), 1) << "no slice ended with a timer request";
    EXPECT_TRUE(drained) << "the queue stopped when the next slice got no timer";
    ASSERT_TRUE(WaitForQueuedAnnouncements());
    EXPECT_EQ(List().GetItemCount(), kBoxes);
}
