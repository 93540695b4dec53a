#include "tests/unit/MainDialogHarness.h"

#include "discovery/HandleAnnouncement.h"
#include "discovery/find_devices.h"

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace {

COrvaneDlg* g_testDialog = nullptr;

} // namespace

COrvaneDlg& MainDialog()
{
    if (!g_testDialog) {
        // The dialog's scanners broadcast from every local address: only the test LAN may hear them.
        if (!OnTestLan()) {
            std::fputs("refusing to create the main dialog outside the test LAN's PC namespace\n", stderr);
            std::fflush(stderr);
            std::abort();
        }
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
        ::InitCommonControlsEx(&controls);
        SocketStartup();  // also for the sockets the tests open themselves
        g_testDialog = new COrvaneDlg;  // lives until the process ends
        if (!g_testDialog->Create(nullptr)) {
            std::fputs("the main dialog could not be created\n", stderr);
            std::fflush(stderr);
            std::abort();
        }
        PumpFor(100);
    }
    // Announcements go to this dialog, whatever else was made since.
    g_mainDialog = g_testDialog;
    RegisterAnnouncementSink(g_testDialog);
    return *g_testDialog;
}

bool MainDialogExists()
{
    return g_testDialog != nullptr;
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    const ULONGLONG end = ::GetTickCount64() + timeoutMs;
    for (;;) {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        if (done())
            return true;
        ULONGLONG now = ::GetTickCount64();
        if (now >= end)
            return done();
        DWORD wait = (DWORD)(end - now);
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, wait < 5 ? wait : 5, QS_ALLINPUT);
    }
}

void PumpFor(DWORD ms)
{
    PumpUntil([] { return false; }, ms);
}

bool WaitForQueuedAnnouncements(DWORD timeoutMs)
{
    return !MainDialogExists() || PumpUntil([] { return !MainDialog().HasQueuedAnnouncements(); }, timeoutMs);
}

std::vector<DeviceId> RowIds(const CListCtrl& list)
{
    std::vector<DeviceId> ids;
    for (int row = 0; row < list.GetItemCount(); ++row)
        ids.push_back((DeviceId)::_wtoi(list.GetItemText(row, COL_ID).c_str()));
    return ids;
}

RowTag* TagOfRow(const CListCtrl& list, int row)
{
    return reinterpret_cast<RowTag*>(list.GetItemData(row));
}

std::vector<RowTag*> RowTagsOf(const DeviceTable& table)
{
    std::vector<RowTag*> tags;
    for (const std::unique_ptr<RowTag>& tag : table.RowTags())
        tags.push_back(tag.get());
    return tags;
}

int RowOf(const CListCtrl& list, DeviceId id)
{
    std::vector<DeviceId> ids = RowIds(list);
    for (size_t row = 0; row < ids.size(); ++row) {
        if (ids[row] == id)
            return (int)row;
    }
    return -1;
}

void SelectRows(const CListCtrl& list, std::initializer_list<int> rows)
{
    list.SetItemState(-1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    for (int row : rows)
        list.SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
}

std::wstring ControlText(const COrvaneDlg& dialog, int id)
{
    wchar_t text[1024] = {};
    ::GetWindowTextW(::GetDlgItem(dialog.GetSafeHwnd(), id), text, 1024);
    return text;
}

void ClickButton(const COrvaneDlg& dialog, int id)
{
    ::SendMessageW(::GetDlgItem(dialog.GetSafeHwnd(), id), BM_CLICK, 0, 0);
}

void HandleLikeAReceiver(const void* bytes, int length, std::uint32_t interfaceIndex, Ipv4Host source)
{
    char buffer[RECEIVE_BUFFER_SIZE] = {};
    if (length > 0)  // an empty datagram may come without a buffer
        std::memcpy(buffer, bytes, length < RECEIVE_BUFFER_SIZE ? length : RECEIVE_BUFFER_SIZE);
    std::lock_guard<std::mutex> lock(ReplyLock);
    HandleAnnouncement(buffer, length, interfaceIndex, source);
}

