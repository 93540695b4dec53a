// Finds and works the dialogs and message boxes that the program opens: those of a command on
// the window thread, worked step by step by a script while the window thread is inside the
// command's modal loops, and the recorders' message boxes, dismissed and kept as they come.
#pragma once

#include "tests/unit/MainDialogHarness.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Runs on a helper thread, never on the thread whose windows it works.
class ModalDriver {
public:
    // The dialogs and message boxes of the main dialog's window thread, the main dialog not among them.
    explicit ModalDriver(const COrvaneDlg& mainDialog);
    // Those of every thread of this process (the recorders show theirs on their own threads).
    static ModalDriver OfProcess();

    // A visible dialog or message box with this caption (null: any caption), or null.
    HWND WaitForDialog(const wchar_t* caption, int timeoutMs = 5000) const;
    // Any dialog or message box, or null.
    HWND AnyDialog() const;
    bool WaitGone(HWND window, int timeoutMs = 5000) const;
    // The window that has the focus on the window thread.
    HWND FocusedWindow() const;
    // True once the window has the focus (it moves there after the message that moves it).
    // Wine on a display without a window manager waits up to 2 s for a closed message box to
    // be withdrawn before its owner gets the focus back, so the wait allows more than that.
    bool WaitForFocus(HWND window, int timeoutMs = 5000) const;
    // The texts of a dialog's static controls (a message box's text among them), one per line.
    static std::wstring StaticTexts(HWND dialog);
    // A message box's own text (its text control), without a line end.
    static std::wstring MessageText(HWND messageBox);
    // A button click as the dialog would get it; posted, so a message box it opens cannot
    // block the driver.
    static void Click(HWND dialog, int id);
    static void Type(HWND dialog, int id, const std::wstring& text);
    static std::wstring Text(HWND dialog, int id);
    // Cancels every dialog and message box still open.
    void CancelLeftovers() const;

private:
    ModalDriver(HWND main, DWORD windowThread) : m_main(main), m_windowThread(windowThread) {}
    HWND Find(const wchar_t* caption) const;

    HWND m_main;            // never matched; null for a whole process
    DWORD m_windowThread;   // 0: every thread of this process
};

using DriverScript = std::function<void(ModalDriver& driver, std::vector<std::string>& failures)>;
// Runs the script on a helper thread while action runs here on the window thread; when action
// has returned, waits for the script. Dialogs the script leaves open are cancelled, so a failed
// step cannot hang the test. Returns what the script reported as failed.
std::vector<std::string> WhileDriving(const COrvaneDlg& dialog, const DriverScript& script,
                                      const std::function<void()>& action);

// While it lives, a helper thread dismisses every message box the program shows (caption
// "Orvane", on any thread) with OK and keeps its text.
class MessageBoxCatcher {
public:
    MessageBoxCatcher();
    ~MessageBoxCatcher();
    MessageBoxCatcher(const MessageBoxCatcher&) = delete;
    MessageBoxCatcher& operator=(const MessageBoxCatcher&) = delete;

    std::vector<std::wstring> Texts();
    // Pumps until at least count boxes were seen.
    bool WaitForCount(std::size_t count, int timeoutMs);

private:
    void Watch();
    std::atomic<bool> m_stop{false};
    std::mutex m_lock;
    std::vector<std::wstring> m_texts;
    std::thread m_thread;
};
