// The main dialog: the device table, its four buttons, and the members that discovery,
// configuration and recording share.
#pragma once

#include "app/resource.h"
#include "config/IpHelperSeam.h"
#include "discovery/AnnouncementQueue.h"
#include "discovery/DeviceTable.h"
#include "discovery/HandleAnnouncement.h"
#include "discovery/find_devices.h"
#include "framework/Dialog.h"
#include "framework/Dpi.h"
#include "framework/MessageMap.h"
#include "recording/Recording.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

constexpr DWORD WATCHER_PAUSE_MS = 80;

class COrvaneDlg : public CDialog {
public:
    explicit COrvaneDlg(HWND parent = nullptr);
    ~COrvaneDlg() override;

    // Any thread: queues a box's update of the table for the window thread and returns at once.
    void QueueAnnouncement(AnnouncementJob&& job);
    // True while queued announcements wait for the window thread (tests wait for it).
    bool HasQueuedAnnouncements() const { return !m_announcements.IsEmpty(); }

    // For tests and the recorder: the list that holds the device table.
    const CListCtrl& DeviceListCtrl() const { return m_list; }
    int SelectedRow() const { return m_selectedRow; }
    // The box a row shows: its column 0 read as a decimal DeviceId (0 when it holds none).
    DeviceId DeviceIdInRow(int row) const;

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
    void StartScanning();  // discovery/StartScanning.cpp

    // Device list behaviours (app/ListBehaviours.cpp)
    void OnListCustomDraw(NMHDR* pNMHDR, LRESULT* pResult);
    void OnClear();
    void WatchSelection();
    LRESULT OnReadSelection(WPARAM wParam, LPARAM lParam);

    // Configuration (config/)
    void OnSet();
    void OnListDblClk(NMHDR* pNMHDR, LRESULT* pResult);
    void OpenDeviceWebPage();
    void AddAliasAddress(Ipv4Net deviceAddress, Ipv4Net deviceNetmask, std::uint32_t interfaceIndex);

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
    std::set<std::uint32_t> m_addedAddresses;  // NTE contexts of the alias addresses added
    // Written by the selection watcher after each pass; Record and Record Files find the row
    // themselves at the click, since a row inserted or cleared since moves the index.
    std::atomic<int> m_selectedRow{-1};
    std::vector<RowTag*> m_rowTags;  // owned: the RowTag of every listed row (Clear frees the rest)
    std::shared_ptr<std::thread> m_watcherThread;
    // The selection watcher's pause between passes. Long enough that the idle program stays
    // under 1% of a core, short enough that the Record caption follows the selection within
    // 100 ms; a benchmark sets 0 to show what the pause saves.
    std::atomic<DWORD> m_watcherPauseMs{WATCHER_PAUSE_MS};

    // Configuration
    // The IP Helper calls of the web page command (not owned); tests put a recorder here.
    IpHelper* m_ipHelper = &SystemIpHelper();

private:
    DeviceTable m_table{m_rowTags};  // window thread only
    AnnouncementQueue m_announcements;  // from the receivers to the window thread

    // ---- Recording (recording/): the Record and Record Files commands, the recorders, and
    // the recording state they share with the window thread and the selection watcher.
public:
    // The recording state. Every accessor takes m_recordingLock for one map operation; the
    // lock is never held while a message is sent to a window. Look-ups of a missing key
    // insert false / empty.
    bool IsRecordingWanted(DeviceId id);
    void SetRecordingWanted(DeviceId id, bool wanted);
    std::wstring RecordingFile(DeviceId id);
    bool HasRecordingFile(DeviceId id);
    void SetRecordingFile(DeviceId id, const std::wstring& path);
    // True while the box's recording is wanted; otherwise the box's flag entry is removed
    // (its row is going) and nothing is inserted.
    bool RecordingWantedOrForget(DeviceId id);
    // Whether the box has a flag entry at all (inserts nothing): Clear must leave none behind.
    bool HasRecordingFlag(DeviceId id);
    // Starts the box's newest recording: flag true, file entry = path, the next generation.
    RecordingGeneration BeginRecording(DeviceId id, const std::wstring& path);
    // True while the box's recording is wanted and generation is still its newest.
    bool IsRecordingCurrent(DeviceId id, RecordingGeneration generation);

    // The recorder body (runs on its own thread): 0 when its recording was stopped or
    // superseded, -1 when it failed or the box ended the stream.
    int RecordStream(std::string host, int port, std::wstring path, DeviceId id, RecordingGeneration generation);

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
    // Recorder thread: hands an event to the window thread; true when it was applied
    // (for STREAM_ENDED: when the recording was still wanted).
    bool SendRecorderEvent(RecorderEvent::Kind kind, DeviceId id, RecordingGeneration generation);
    int FailRecording(DeviceId id, RecordingGeneration generation, const std::wstring& message);
    int EndRecordingEarly(DeviceId id, RecordingGeneration generation, const std::wstring& message);
    std::wstring NewRecordingPath(const std::string& host);
    void ShowRowIdle(int row);

    std::mutex m_recordingLock;
    std::map<DeviceId, bool> m_recordingFlags;                       // under m_recordingLock
    std::map<DeviceId, std::wstring> m_recordingFiles;               // under m_recordingLock
    std::map<DeviceId, RecordingGeneration> m_recordingGenerations;  // under m_recordingLock
    std::set<std::wstring> m_recordingPathsUsed;  // every file named in this run; window thread only
};
