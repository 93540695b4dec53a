// The main dialog: the device table, its four buttons, and the members that discovery,
// configuration and recording share.
#pragma once

#include "app/SelectedBoxes.h"
#include "app/resource.h"
#include "config/IpHelperSeam.h"
#include "discovery/AnnouncementQueue.h"
#include "discovery/AnnouncementSink.h"
#include "discovery/DeviceTable.h"
#include "discovery/HandleAnnouncement.h"
#include "discovery/NetworkSearch.h"
#include "discovery/find_devices.h"
#include "framework/Dialog.h"
#include "framework/Dpi.h"
#include "framework/MessageMap.h"
#include "recording/Recording.h"
#include "recording/RecordingHealthBoard.h"
#include "recording/RecordingOutcome.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

constexpr DWORD WATCHER_PAUSE_MS = 80;

class COrvaneDlg : public CDialog, public RecordingWindow, public AnnouncementSink {
public:
    // Registers itself as the announcements' sink and as g_mainDialog.
    explicit COrvaneDlg(HWND parent = nullptr);
    ~COrvaneDlg() override;

    // Receiver threads: queues the job while the dialog has a window, else drops it.
    void AcceptAnnouncement(AnnouncementJob&& job) override;

    // Any thread: queues a box's update of the table for the window thread and returns at once.
    void QueueAnnouncement(AnnouncementJob&& job);
    // True while queued announcements wait for the window thread (tests wait for it).
    bool HasQueuedAnnouncements() const { return !m_announcements.IsEmpty(); }

    // For tests and the recorder: the list that holds the device table.
    const CListCtrl& DeviceListCtrl() const { return m_list; }
    // For tests: the row the selection watcher last found.
    int SelectedRow() const { return m_selectedRow; }
    // For tests: the device table, which owns the rows' RowTags.
    const DeviceTable& Table() const { return m_table; }

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;
    void OnCancel() override;
    bool RouteMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    static const MessageMapEntry<COrvaneDlg> MESSAGE_MAP[];

    // Main window (app/OrvaneDlg.cpp)
    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    void OnClose();
    HCURSOR OnQueryDragIcon();
    void OnSize(UINT nType, int cx, int cy);
    void OnListItemChanged(NMHDR* pNMHDR, LRESULT* pResult);
    LRESULT OnAnnouncement(WPARAM wParam, LPARAM lParam);
    LRESULT OnAnnouncementsQueued(WPARAM wParam, LPARAM lParam);
    void OnTimer(UINT timerId, LPARAM lParam);
    void ApplyQueuedAnnouncements();
    LRESULT OnDpiChanged(WPARAM wParam, LPARAM lParam);
    void LayoutControls();
    void StartScanning();

    // Device list behaviours (app/ListBehaviours.cpp)
    void OnListCustomDraw(NMHDR* pNMHDR, LRESULT* pResult);
    void OnClear();
    void WatchSelection();
    LRESULT OnReadSelection(WPARAM wParam, LPARAM lParam);

    // Configuration (app/SetCommand.cpp, app/WebPageCommand.cpp; the work in config/)
    void OnSet();
    void OnListDblClk(NMHDR* pNMHDR, LRESULT* pResult);
    void OpenDeviceWebPage();

    // The main window's keys (app/ShortcutKeys.cpp)
    bool OnShortcutKey(WPARAM key);
    static LRESULT CALLBACK FilterShortcutKeys(int code, WPARAM wParam, LPARAM lParam);

    // The list's shortcut menu, copy and search now (app/RowMenu.cpp)
    LRESULT OnContextMenu(WPARAM wParam, LPARAM lParam);
    void ShowRowMenu(int row, POINT screen);
    void ShowListMenu(POINT screen);
    void SelectOnlyRow(int row);
    void OnCopyRows();
    void OnCopyAll();
    void CopyToClipboard(const std::vector<int>& rows);
    void OnSearchNow();
    void OnSearchNetworks();

    // A recording's health: the row's info tip and "Recording details..." (app/RecordingDetails.cpp)
    void OnListGetInfoTip(NMHDR* pNMHDR, LRESULT* pResult);
    void OnRecordingDetails();

public:
    // Window thread only, unless a member says otherwise.
    HICON m_hIcon;
    bool m_scanStarted = false;
    // The DPI the window is laid out for: its monitor's, from the start and at every move to
    // a monitor with another scale.
    int m_dpi = BASE_DPI;
    // Clear's size as the template made it at the start, at the DPI of the start; every
    // button's size at another DPI is scaled from it.
    SIZE m_buttonSizeAtStart = {};
    int m_startDpi = BASE_DPI;
    CListCtrl m_list;  // a view of the list control; any thread may send it messages
    std::vector<find_devices*> m_scanners;  // live until the process ends
    // Searches routed networks and keeps probing the boxes found; its threads use it until the
    // process ends.
    NetworkSearch m_networkSearch;
    std::wstring m_lastSearchText;  // what the latest network search searched
    std::set<std::uint32_t> m_addedAddresses;  // NTE contexts of the alias addresses added
    // The row the selection watcher's latest pass found (HighestSelected), or -1; Clear forgets
    // a row it deletes. No command reads it: each takes its row by its rule at the click, since a
    // row inserted or cleared since the pass moves the index. Tests read it (SelectedRow) to see
    // how far the watcher has got.
    std::atomic<int> m_selectedRow{-1};
    std::shared_ptr<std::thread> m_watcherThread;
    // The selection watcher's pause between passes. Long enough that the idle program stays
    // under 1% of a core, short enough that the Record caption follows the selection within
    // 100 ms; a benchmark sets 0 to show what the pause saves.
    std::atomic<DWORD> m_watcherPauseMs{WATCHER_PAUSE_MS};
    // Sets the timer of the next announcement slice. Tests put a failing one here: under Wine
    // SetTimer on a valid window does not fail.
    UINT_PTR(WINAPI* m_setTimer)(HWND, UINT_PTR, UINT, TIMERPROC) = &::SetTimer;

    // Configuration
    // The IP Helper calls of the web page command (not owned); tests put a recorder here.
    IpHelper* m_ipHelper = &SystemIpHelper();

private:
    DeviceTable m_table;  // window thread only
    SelectedBoxes m_selectedBoxes{m_table};  // window thread only; the watcher asks by message
    AnnouncementQueue m_announcements;  // from the receivers to the window thread

    // ---- Recording: the Record and Record Files commands (app/RecordCommand.cpp,
    // app/RecordFilesCommand.cpp; the work in recording/), and the window's side of the recorders
    // (RecordingWindow, called on their threads; app/RecorderEvents.cpp).
public:
    // The recording state that Clear, the watcher, the commands and the recorders ask.
    RecordingBook& Recordings() { return m_recordings; }
    // The health lines of the recording of the row's box; empty when it is not being recorded.
    std::wstring RecordingDetailsOfRow(int row);
    // The health of each box's newest recording (any thread).
    RecordingHealthBoard m_recordingHealth;

    // Recorder threads: hand the row work to the window thread and wait for it.
    void ShowConnected(DeviceId id, RecordingGeneration generation) override;
    RecordingEndSeen ShowEnded(DeviceId id, RecordingGeneration generation, bool keepFile) override;
    void TellOperator(const std::wstring& message) override;

    // One element per recording started; the threads are never joined.
    std::vector<std::shared_ptr<std::thread>> m_recorderThreads;
    // How long a silent box may hold a recorder; tests shorten it.
    std::atomic<int> m_recordSilenceLimitMs{RECORD_SILENCE_LIMIT_MS};
    // Record Files starts Explorer through this; null means OpenExplorer (ShellExecuteW).
    // Tests put a stand-in here to see the parameters.
    void (*m_openExplorer)(const std::wstring& parameters) = nullptr;

private:
    void OnRecord();
    void OnRecordFiles();
    LRESULT OnRecorderEvent(WPARAM wParam, LPARAM lParam);
    LRESULT SendRecorderEvent(const RecorderEvent& event);
    void ShowRowIdle(int row);

    RecordingBook m_recordings;
};

// The one main dialog; set by its constructor, never cleared. The window's key filter reaches
// the dialog through it.
extern COrvaneDlg* g_mainDialog;
