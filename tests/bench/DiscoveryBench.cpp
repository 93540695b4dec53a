// Discovery benchmark: prints figures, asserts nothing.
//
//  1. Cost of one handled announcement (HandleAnnouncement on a receiver-like thread, the window
//     thread applying it to the real list-view) with 10, 100, 1,000 and 10,000 rows.
//  2. Time from a scanner's probe to all rows shown for 1,000 simulated boxes (box simulator).
//
// The main dialog starts scanners on every local address, so this runs only inside the test
// LAN's PC namespace (OnTestLan, tests/unit/TestLan.h), on a display (the dialog is visible).
//  3. With --watcher S: what the selection watcher's pause saves, in this process's CPU over S
//     seconds per case, 1,000 rows (the real program's idle CPU: tests/bench/idle_cpu.sh).
// Usage: orvane_bench [discovery] [--hidden] [--rows N,N,...] [--announcements K] [--flood N]
//                     [--watcher S]
//   --hidden  keep the dialog hidden (shows what painting costs); --flood 0 skips part 2
//        orvane_bench record ...  (the recorder's benchmark, tests/bench/RecordBench.cpp)
//        orvane_bench analysis [GB]  (the stream analysis, tests/bench/StreamAnalysisBench.cpp)
#include "app/OrvaneDlg.h"
#include "discovery/HandleAnnouncement.h"
#include "discovery/Ipv4Text.h"
#include "tests/unit/MainDialogHarness.h"

#include <commctrl.h>
#include <iphlpapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <functional>
#include <initializer_list>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

bool g_hidden = false;  // --hidden: measure with the dialog hidden (no painting)

double MicrosecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

// Runs work on a receiver-like thread while this (the window) thread pumps; returns its duration.
double RunWhilePumping(const std::function<void()>& work)
{
    std::atomic<bool> done{false};
    Clock::time_point start = Clock::now();
    std::thread worker([&] {
        work();
        done = true;
    });
    PumpUntil([&] { return done.load(); }, INFINITE);
    double elapsed = MicrosecondsSince(start);
    worker.join();
    return elapsed;
}

DeviceDatagram Announcement(DeviceId id)
{
    AnnouncedBox box;
    box.id = id;
    box.boardType = 1200;
    box.staticIp = (10u << 24) | ((std::uint32_t)id & 0xFFFFFF);
    box.netmask = 0xFFFFFF00u;
    box.gateway = (10u << 24) | 1u;
    box.mac[0] = 0x02;
    box.mac[5] = (std::uint8_t)id;
    return MakeAnnouncementDatagram(box);
}

void Announce(DeviceId id)
{
    DeviceDatagram datagram = Announcement(id);
    HandleLikeAReceiver(&datagram, DATAGRAM_SIZE, 1, (10u << 24) | (86u << 16) | (1u << 8) | 10u);
}

std::vector<int> ParseList(const wchar_t* text)
{
    std::vector<int> values;
    for (const wchar_t* p = text; *p;) {
        values.push_back(_wtoi(p));
        const wchar_t* comma = std::wcschr(p, L',');
        if (!comma)
            break;
        p = comma + 1;
    }
    return values;
}

// The machine is shared: the announcements are timed in chunks, and the median chunk's cost
// per announcement is the figure.
double MedianPerAnnouncement(int announcements, const std::function<void()>& announce)
{
    constexpr int kChunks = 7;
    const int perChunk = std::max(1, announcements / kChunks);
    std::vector<double> costs;
    for (int chunk = 0; chunk < kChunks; ++chunk) {
        costs.push_back(RunWhilePumping([&] {
                            for (int i = 0; i < perChunk; ++i)
                                announce();
                        }) /
                        perChunk);
    }
    std::sort(costs.begin(), costs.end());
    return costs[kChunks / 2];
}

struct Figures {
    double refreshRandom;  // us per announcement of a listed box, boxes picked at random (median)
    double refreshOldest;  // us per announcement of the box in the last row (median)
    double newRow;         // us per announcement of a box without a row (mean, painting included)
};

// Per-announcement costs with a table of `rows` rows. New rows are measured at the same size:
// each round the window thread removes a few of the oldest rows (and paints, untimed), then
// their boxes announce again and get new rows at the top.
Figures MeasureTableSize(COrvaneDlg& dialog, int rows, int announcements, DeviceId base)
{
    const CListCtrl& list = dialog.DeviceListCtrl();
    list.DeleteAllItems();
    // Filling is not measured; a hidden list fills quickly.
    ::ShowWindow(dialog.GetSafeHwnd(), SW_HIDE);
    RunWhilePumping([&] {
        for (int i = 0; i < rows; ++i)
            Announce(base + i);
    });
    ::ShowWindow(dialog.GetSafeHwnd(), g_hidden ? SW_HIDE : SW_SHOW);
    PumpUntil([] { return false; }, 300);
    if (list.GetItemCount() != rows)
        std::printf("  (table holds %d rows, expected %d)\n", list.GetItemCount(), rows);

    Figures figures;
    std::mt19937 random((unsigned)rows);
    figures.refreshRandom = MedianPerAnnouncement(announcements, [&] { Announce(base + (DeviceId)(random() % rows)); });
    figures.refreshOldest = MedianPerAnnouncement(announcements, [&] { Announce(base); });

    const int perRound = std::max(1, std::min(rows / 2, 50));
    const int newRows = std::min(announcements, 500);
    double newRowTime = 0;
    int measured = 0;
    while (measured < newRows) {
        std::vector<DeviceId> returning;
        for (int k = 0; k < perRound; ++k) {
            int last = list.GetItemCount() - 1;
            returning.push_back(std::stoi(list.GetItemText(last, COL_ID)));
            list.DeleteItem(last);
        }
        PumpUntil([] { return false; }, 30);
        newRowTime += RunWhilePumping([&] {
            for (DeviceId id : returning)
                Announce(id);
        });
        measured += perRound;
    }
    figures.newRow = newRowTime / measured;
    std::printf("%8d rows | refresh random row %9.1f us | refresh oldest row %9.1f us | new row %9.1f us\n", rows,
                figures.refreshRandom, figures.refreshOldest, figures.newRow);
    std::fflush(stdout);
    return figures;
}

// Time from a scanner's probe to all flood rows in the table and painted.
void MeasureProbeToRows(COrvaneDlg& dialog, int boxes)
{
    BoxSim boxsim;
    if (!boxsim.Connected()) {
        std::printf("probe to rows: no box simulator at ORVANE_BOXSIM; skipped\n");
        return;
    }
    MIB_IPADDRROW local;
    if (!FindLocalAddress(PcAddress(), &local)) {
        std::printf("probe to rows: ORVANE_PC_ADDR is not a local address; skipped\n");
        return;
    }
    const CListCtrl& list = dialog.DeviceListCtrl();
    list.DeleteAllItems();
    PumpUntil([] { return false; }, 200);

    bool armedOk = false;
    std::string armed;
    for (const std::string& line : boxsim.Command("FLOOD " + std::to_string(boxes) + " 700000 NEXT", &armedOk))
        armed += line + " | ";
    armed += armedOk ? "OK" : "not armed";
    // A scanner of its own: its first probe leaves as Start returns, and the armed flood answers it.
    Clock::time_point start = Clock::now();
    find_devices* scanner = new find_devices;  // scanners live until the process ends
    scanner->Start(local.dwAddr, local.dwIndex);
    bool all = PumpUntil([&] { return list.GetItemCount() >= boxes; }, 30000);
    // Shown: the list is visible again (new rows may hold its painting briefly) and painted.
    HWND listWindow = list.GetSafeHwnd();
    PumpUntil(
        [&] {
            return (::GetWindowLongPtrW(listWindow, GWL_STYLE) & WS_VISIBLE) &&
                   !::GetUpdateRect(listWindow, nullptr, FALSE);
        },
        5000);
    double elapsed = MicrosecondsSince(start);
    if (all) {
        std::printf("probe to rows: %d boxes shown %.1f ms after the probe (%s)\n", boxes, elapsed / 1000,
                    armed.c_str());
    } else {
        std::printf("probe to rows: only %d of %d boxes shown after %.1f ms (%s)\n", list.GetItemCount(), boxes,
                    elapsed / 1000, armed.c_str());
    }
}

// Percentage of one core this process used while the window thread only answered messages.
double ProcessCpuPercent(DWORD milliseconds)
{
    auto cpu = [] {
        FILETIME created, ended, kernel, user;
        ::GetProcessTimes(::GetCurrentProcess(), &created, &ended, &kernel, &user);
        auto ticks = [](const FILETIME& t) { return ((ULONGLONG)t.dwHighDateTime << 32) | t.dwLowDateTime; };
        return ticks(kernel) + ticks(user);  // 100 ns units
    };
    const ULONGLONG before = cpu();
    PumpUntil([] { return false; }, milliseconds);
    return (double)(cpu() - before) / 100.0 / milliseconds;
}

// What the selection watcher's pause saves: the process's CPU with a table of `rows` rows and
// no box answering, with the pause as built and with none, for nothing, one row and the two top
// rows selected.
void MeasureWatcherPause(COrvaneDlg& dialog, int rows, int seconds)
{
    const CListCtrl& list = dialog.DeviceListCtrl();
    list.DeleteAllItems();
    RunWhilePumping([&] {
        for (int i = 0; i < rows; ++i)
            Announce(900000 + i);
    });
    std::printf("Selection watcher, %d rows, %% of one core for this process over %d s (nothing / one row / two "
                "top rows selected):\n",
                list.GetItemCount(), seconds);
    for (DWORD pause : {WATCHER_PAUSE_MS, (DWORD)0}) {
        dialog.m_watcherPauseMs = pause;
        std::printf("  pause %3lu ms:", (unsigned long)pause);
        SelectRows(list, {});
        std::printf(" %6.2f", ProcessCpuPercent(seconds * 1000));
        SelectRows(list, {0});
        std::printf(" %6.2f", ProcessCpuPercent(seconds * 1000));
        SelectRows(list, {0, 1});
        std::printf(" %6.2f\n", ProcessCpuPercent(seconds * 1000));
        std::fflush(stdout);
    }
    dialog.m_watcherPauseMs = WATCHER_PAUSE_MS;
}

} // namespace

// The recorder's benchmark, in its own file.
int RunRecordBench(int argc, wchar_t** argv);
int RunStreamAnalysisBench(int argc, wchar_t** argv);

int wmain(int argc, wchar_t** argv)
{
    if (argc > 1 && std::wstring(argv[1]) == L"record")
        return RunRecordBench(argc - 1, argv + 1);
    if (argc > 1 && std::wstring(argv[1]) == L"analysis")
        return RunStreamAnalysisBench(argc - 1, argv + 1);
    if (!OnTestLan()) {
        std::fprintf(stderr, "orvane_bench broadcasts from every local address: run it only inside the test LAN's "
                             "PC namespace (scripts/bench sets it up)\n");
        return 2;
    }
    std::vector<int> sizes = {10, 100, 1000, 10000};
    int announcements = 2000;
    int floodBoxes = 1000;
    int watcherSeconds = 0;
    for (int i = 1; i < argc; ++i) {
        std::wstring arg = argv[i];
        if (arg == L"discovery")
            continue;
        if (arg == L"--hidden")
            g_hidden = true;
        else if (arg == L"--rows" && i + 1 < argc)
            sizes = ParseList(argv[++i]);
        else if (arg == L"--announcements" && i + 1 < argc)
            announcements = _wtoi(argv[++i]);
        else if (arg == L"--flood" && i + 1 < argc)
            floodBoxes = _wtoi(argv[++i]);
        else if (arg == L"--watcher" && i + 1 < argc)
            watcherSeconds = _wtoi(argv[++i]);
    }

    {
        BoxSim boxsim;  // no boxes of its own answering during the measurements
        if (boxsim.Connected())
            boxsim.Reset();
    }
    COrvaneDlg* dialog = &MainDialog();
    if (g_hidden)
        ::ShowWindow(dialog->GetSafeHwnd(), SW_HIDE);
    PumpUntil([] { return false; }, 500);

    std::printf("Cost per handled announcement (%d announcements per figure, %s window):\n", announcements,
                g_hidden ? "hidden" : "visible");
    DeviceId base = 100000;
    std::map<int, Figures> figures;
    for (int rows : sizes) {
        figures[rows] = MeasureTableSize(*dialog, rows, announcements, base);
        base += 100000;
    }
    if (figures.count(10) && figures.count(1000)) {
        const Figures& small = figures[10];
        const Figures& large = figures[1000];
        std::printf("1,000 rows / 10 rows (goal: at most 2x): refresh random %.2fx, refresh oldest %.2fx, new row "
                    "%.2fx\n",
                    large.refreshRandom / small.refreshRandom, large.refreshOldest / small.refreshOldest,
                    large.newRow / small.newRow);
    }
    if (floodBoxes > 0)
        MeasureProbeToRows(*dialog, floodBoxes);
    if (watcherSeconds > 0)
        MeasureWatcherPause(*dialog, 1000, watcherSeconds);
    std::fflush(stdout);
    // The scanner threads never end; end the process the way the program does.
    ::TerminateProcess(::GetCurrentProcess(), 0);
    return 0;
}
