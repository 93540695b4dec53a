#include "tests/unit/DialogDriver.h"

#include "framework/WinApp.h"

#include <chrono>
#include <cstdint>

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

// The title as the window manager keeps it. Unlike GetWindowText this sends nothing to the
// window's thread, which may be waiting for the driver (joining it, say) instead of pumping.
std::wstring StoredTitleOf(HWND window)
{
    wchar_t text[1024] = {};
    ::InternalGetWindowText(window, text, 1024);
    return text;
}

struct DialogSearch {
    HWND main;
    bool thisProcessOnly;  // when enumerating every top-level window
    const wchar_t* caption;  // null: any caption
    HWND found;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM context)
{
    DialogSearch* search = reinterpret_cast<DialogSearch*>(context);
    if (window == search->main || !::IsWindowVisible(window) || ClassNameOf(window) != L"#32770")
        return TRUE;
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (search->thisProcessOnly && process != ::GetCurrentProcessId())
        return TRUE;
    if (search->caption && StoredTitleOf(window) != search->caption)
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

ModalDriver::ModalDriver(const COrvaneDlg& mainDialog)
    : ModalDriver(mainDialog.GetSafeHwnd(), ::GetWindowThreadProcessId(mainDialog.GetSafeHwnd(), nullptr))
{
}

ModalDriver ModalDriver::OfProcess()
{
    return ModalDriver(nullptr, 0);
}

HWND ModalDriver::Find(const wchar_t* caption) const
{
    DialogSearch search = {m_main, m_windowThread == 0, caption, nullptr};
    if (m_windowThread)
        ::EnumThreadWindows(m_windowThread, MatchDialog, reinterpret_cast<LPARAM>(&search));
    else
        ::EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND ModalDriver::WaitForDialog(const wchar_t* caption, int timeoutMs) const
{
    const std::uint64_t deadline = NowMs() + (std::uint64_t)timeoutMs;
    do {
        if (HWND found = Find(caption))
            return found;
        ::Sleep(10);
    } while (NowMs() < deadline);
    return nullptr;
}

HWND ModalDriver::AnyDialog() const
{
    return Find(nullptr);
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

std::wstring ModalDriver::MessageText(HWND messageBox)
{
    wchar_t text[1024] = {};
    ::GetDlgItemTextW(messageBox, 0xFFFF, text, 1024);  // the message box's text control
    return text;
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

MessageBoxCatcher::MessageBoxCatcher() : m_thread(&MessageBoxCatcher::Watch, this) {}

MessageBoxCatcher::~MessageBoxCatcher()
{
    m_stop = true;
    m_thread.join();
}

void MessageBoxCatcher::Watch()
{
    const ModalDriver driver = ModalDriver::OfProcess();
    const std::wstring caption = AfxGetAppName();
    while (!m_stop) {
        if (HWND box = driver.WaitForDialog(caption.c_str(), 0)) {
            {
                std::lock_guard<std::mutex> lock(m_lock);
                m_texts.push_back(ModalDriver::MessageText(box));
            }
            ModalDriver::Click(box, IDOK);
            // Wait until that box has gone, so that it is counted once.
            // (Without a window manager Wine takes about 2 s to take a box away.)
            for (int i = 0; i < 500 && ::IsWindow(box); ++i)
                ::Sleep(10);
        }
        ::Sleep(20);
    }
}

std::vector<std::wstring> MessageBoxCatcher::Texts()
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_texts;
}

bool MessageBoxCatcher::WaitForCount(std::size_t count, int timeoutMs)
{
    return PumpUntil([&] { return Texts().size() >= count; }, timeoutMs);
}
