#include "tests/unit/ListBehavioursHarness.h"

#include "app/AppMessages.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <thread>

namespace {

std::uint64_t NowMs()
{
    return (std::uint64_t)std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::wstring ClassNameOf(HWND window)
{
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return name;
}

std::wstring WindowTextOf(HWND window)
{
    wchar_t text[1024] = {};
    ::GetWindowTextW(window, text, 1024);
    return text;
}

} // namespace

DeviceDatagram AnnouncementOf(const TestBox& box)
{
    BoxValues values;
    values.id = box.id;
    values.staticIp = HostAddress(box.staticIp);
    values.netmask = HostAddress(box.netmask);
    values.gateway = HostAddress(box.gateway);
    unsigned m[6] = {};
    std::sscanf(box.mac.c_str(), "%x:%x:%x:%x:%x:%x", &m[0], &m[1], &m[2], &m[3], &m[4], &m[5]);
    for (int i = 0; i < 6; ++i)
        values.mac[i] = (std::uint8_t)m[i];
    values.boardType = 100;
    return MakeAnnouncementDatagram(values);
}

int ShowBox(COrvaneDlg& dialog, const TestBox& box)
{
    AnnouncementJob job =
        MakeAnnouncementJob(AnnouncementOf(box), HostAddress(box.lanIp), (std::uint32_t)std::time(nullptr));
    return (int)::SendMessageW(dialog.GetSafeHwnd(), WM_APP_ANNOUNCEMENT, 0, reinterpret_cast<LPARAM>(&job));
}

void AnnounceBox(const TestBox& box, std::uint32_t interfaceIndex)
{
    DeviceDatagram datagram = AnnouncementOf(box);
    {
        // Receivers only queue under the lock and never wait for this thread.
        std::lock_guard<std::mutex> lock(ReplyLock);
        HandleAnnouncement(&datagram, DATAGRAM_SIZE, interfaceIndex, HostAddress(box.lanIp));
    }
    WaitForQueuedAnnouncements();
}

void SelectRows(const CListCtrl& list, std::initializer_list<int> rows)
{
    LVITEMW item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = 0;
    list.SendMessage(LVM_SETITEMSTATE, (WPARAM)-1, (LPARAM)&item);
    for (int row : rows) {
        item.stateMask = LVIS_SELECTED;
        item.state = LVIS_SELECTED;
        list.SendMessage(LVM_SETITEMSTATE, (WPARAM)row, (LPARAM)&item);
    }
}

std::wstring ControlText(const COrvaneDlg& dialog, int id)
{
    return WindowTextOf(::GetDlgItem(dialog.GetSafeHwnd(), id));
}

void ClickButton(const COrvaneDlg& dialog, int id)
{
    ::SendMessageW(::GetDlgItem(dialog.GetSafeHwnd(), id), BM_CLICK, 0, 0);
}

bool BoxSimCommand(const std::string& line, std::vector<std::string>* answer)
{
    BoxSim boxsim;
    bool ok = false;
    std::vector<std::string> lines = boxsim.Command(line, &ok);
    if (answer)
        *answer = lines;
    return ok;
}

std::vector<std::string> BoxSimReceived(std::uint32_t msgType)
{
    const std::string type = std::to_string(msgType);
    std::vector<std::string> matching;
    BoxSim boxsim;
    for (const std::string& line : boxsim.ReceivedLines()) {
        if (ParseReceivedLine(line).type == type)
            matching.push_back(line);
    }
    return matching;
}

ModalDriver::ModalDriver(const COrvaneDlg& mainDialog)
    : m_main(mainDialog.GetSafeHwnd()), m_windowThread(::GetWindowThreadProcessId(mainDialog.GetSafeHwnd(), nullptr))
{
}

namespace {

struct DialogSearch {
    HWND main;
    const wchar_t* caption;  // null: any caption
    HWND found;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM context)
{
    DialogSearch* search = reinterpret_cast<DialogSearch*>(context);
    if (window == search->main || !::IsWindowVisible(window) || ClassNameOf(window) != L"#32770")
        return TRUE;
    if (search->caption && WindowTextOf(window) != search->caption)
        return TRUE;
    search->found = window;
    return FALSE;
}

BOOL CALLBACK CollectStatic(HWND child, LPARAM context)
{
    std::wstring* texts = reinterpret_cast<std::wstring*>(context);
    if (ClassNameOf(child) == L"Static") {
        std::wstring text = WindowTextOf(child);
        if (!text.empty())
            *texts += text + L"\n";
    }
    return TRUE;
}

} // namespace

HWND ModalDriver::WaitForDialog(const wchar_t* caption, int timeoutMs) const
{
    const std::uint64_t deadline = NowMs() + (std::uint64_t)timeoutMs;
    do {
        DialogSearch search = {m_main, caption, nullptr};
        ::EnumThreadWindows(m_windowThread, MatchDialog, reinterpret_cast<LPARAM>(&search));
        if (search.found)
            return search.found;
        ::Sleep(10);
    } while (NowMs() < deadline);
    return nullptr;
}

HWND ModalDriver::AnyDialog() const
{
    DialogSearch search = {m_main, nullptr, nullptr};
    ::EnumThreadWindows(m_windowThread, MatchDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool ModalDriver::WaitGone(HWND window, int timeoutMs) const
{
    const std::uint64_t deadline = NowMs() + (std::uint64_t)timeoutMs;
    while (::IsWindow(window) && ::IsWindowVisible(window)) {
        if (NowMs() >= deadline)
            return false;
        ::Sleep(10);
    }
    return true;
}

HWND ModalDriver::FocusedWindow() const
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!::GetGUIThreadInfo(m_windowThread, &info))
        return nullptr;
    return info.hwndFocus;
}

bool ModalDriver::WaitForFocus(HWND window, int timeoutMs) const
{
    const std::uint64_t deadline = NowMs() + (std::uint64_t)timeoutMs;
    while (FocusedWindow() != window) {
        if (NowMs() >= deadline)
            return false;
        ::Sleep(10);
    }
    return true;
}

std::wstring ModalDriver::StaticTexts(HWND dialog)
{
    std::wstring texts;
    ::EnumChildWindows(dialog, CollectStatic, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

void ModalDriver::Click(HWND dialog, int id)
{
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)::GetDlgItem(dialog, id));
}

void ModalDriver::Type(HWND dialog, int id, const std::wstring& text)
{
    ::SendMessageW(::GetDlgItem(dialog, id), WM_SETTEXT, 0, (LPARAM)text.c_str());
}

std::wstring ModalDriver::Text(HWND dialog, int id)
{
    return WindowTextOf(::GetDlgItem(dialog, id));
}

void ModalDriver::CancelLeftovers() const
{
    while (HWND left = AnyDialog()) {
        Click(left, IDCANCEL);
        if (!WaitGone(left, 2000))
            return;
    }
}

std::vector<std::string> WhileDriving(const COrvaneDlg& dialog, const DriverScript& script,
                                      const std::function<void()>& action)
{
    std::vector<std::string> failures;
    std::atomic<bool> actionDone{false};
    ModalDriver driver(dialog);
    std::thread helper([&] {
        script(driver, failures);
        // Whatever the script left open would keep the window thread in a modal loop.
        while (!actionDone) {
            if (driver.AnyDialog()) {
                failures.push_back("a dialog was left open and had to be cancelled");
                driver.CancelLeftovers();
            }
            ::Sleep(20);
        }
    });
    action();
    actionDone = true;
    helper.join();
    return failures;
}

void MainDialogTest::SetUp()
{
    SKIP_UNLESS_TEST_LAN();
    m_dialog = &MainDialog();
    ASSERT_TRUE(QuietLan()) << "the box simulator at ORVANE_BOXSIM does not answer";
    PumpFor(50);
    EmptyTable();
}

void MainDialogTest::TearDown()
{
    if (!m_dialog)
        return;
    for (DeviceId id : m_flagged)
        m_dialog->SetRecordingWanted(id, false);
    EmptyTable();
}

void MainDialogTest::SetRecording(DeviceId id, bool wanted)
{
    m_dialog->SetRecordingWanted(id, wanted);
    m_flagged.push_back(id);
}

void MainDialogTest::EmptyTable()
{
    SelectRows(m_dialog->DeviceListCtrl(), {});
    m_dialog->DeviceListCtrl().DeleteAllItems();
    PumpUntil([&] { return ControlText(*m_dialog, IDC_RECORD) == L"Record" && m_dialog->SelectedRow() == -1; },
              1000);
}
