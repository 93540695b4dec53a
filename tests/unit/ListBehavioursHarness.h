// What the window tests need around the real main dialog (tests/unit/MainDialogHarness.h):
// rows put in through the announcement path, the selection, the box simulator's answers and
// a driver for the modal dialogs and message boxes that
// commands open on the window thread.
#pragma once

#include "tests/unit/MainDialogHarness.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

// A box as the tests describe it; addresses and MAC as the table shows them.
struct TestBox {
    DeviceId id;
    std::string lanIp;  // the announcement's source address
    std::string staticIp;
    std::string netmask;
    std::string gateway;
    std::string mac;
};
DeviceDatagram AnnouncementOf(const TestBox& box);
// Shows the box in the table the way a scanner's receiver does (one announcement job sent to
// the dialog); returns the row written.
int ShowBox(COrvaneDlg& dialog, const TestBox& box);
// Window thread: hands the box's announcement to HandleAnnouncement as heard on the given
// interface and under ReplyLock, as a receiver does, so DeviceInterfaceMap records that
// interface too; then pumps until its row is written.
void AnnounceBox(const TestBox& box, std::uint32_t interfaceIndex);

// Selects exactly the given rows (none for an empty list).
void SelectRows(const CListCtrl& list, std::initializer_list<int> rows);
std::wstring ControlText(const COrvaneDlg& dialog, int id);
// A real click on a button of the main dialog, on the window thread.
void ClickButton(const COrvaneDlg& dialog, int id);

// One command to the box simulator on a connection of its own (see BoxSim); the answer's
// lines come back without the final OK. False on ERR or when it cannot be reached.
bool BoxSimCommand(const std::string& line, std::vector<std::string>* answer = nullptr);
// LOG RX lines of datagrams of the given message type.
std::vector<std::string> BoxSimReceived(std::uint32_t msgType);

// Finds and works the windows that a command opens on the window thread. Runs on a helper
// thread while the window thread is inside the command's modal loops.
class ModalDriver {
public:
    explicit ModalDriver(const COrvaneDlg& mainDialog);

    // A visible dialog or message box of the window thread with this caption, or null.
    HWND WaitForDialog(const wchar_t* caption, int timeoutMs = 5000) const;
    // Any dialog or message box of the window thread other than the main dialog, or null.
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
    // A button click as the dialog would get it; posted, so a message box it opens cannot
    // block the driver.
    static void Click(HWND dialog, int id);
    static void Type(HWND dialog, int id, const std::wstring& text);
    static std::wstring Text(HWND dialog, int id);
    // Cancels every dialog and message box still open on the window thread.
    void CancelLeftovers() const;

private:
    HWND m_main;
    DWORD m_windowThread;
};

using DriverScript = std::function<void(ModalDriver& driver, std::vector<std::string>& failures)>;
// Runs the script on a helper thread while action runs here on the window thread; when action
// has returned, waits for the script. Dialogs the script leaves open are cancelled, so a failed
// step cannot hang the test. Returns what the script reported as failed.
std::vector<std::string> WhileDriving(const COrvaneDlg& dialog, const DriverScript& script,
                                      const std::function<void()>& action);

// Fixture for tests of the real main dialog: skips outside the test LAN, starts from an empty
// box simulator (and fails when ORVANE_BOXSIM names one that does not answer) and an empty
// table, and puts back the recording flags a test set.
class MainDialogTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    void SetRecording(DeviceId id, bool wanted);
    void EmptyTable();

    COrvaneDlg* m_dialog = nullptr;
    std::vector<DeviceId> m_flagged;
};
