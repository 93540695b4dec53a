// A recording's health as the operator sees it, through the real dialog and the box
// simulator's stream over the test LAN: the counts of known damage put into the stream, a
// clean stream counting nothing, the silence line, and the same lines through the row menu.
//
// Wine 8's list-view never shows an info tip when the mouse rests on a row (Windows does) and
// Wine refuses WM_NOTIFY between processes, so no hover or outside probe can show the tip here:
// the tests send the dialog the list's LVN_GETINFOTIPW themselves, as the list would.
#include "tests/unit/RecordTestSupport.h"

#include "framework/TextCodec.h"
#include "framework/WinApp.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <iterator>
#include <memory>

using namespace recordtest;

namespace {

// The dialog's answer to the list's request for a row's info tip.
std::wstring InfoTipOfRow(int row)
{
    COrvaneDlg& dialog = MainDialog();
    wchar_t text[INFOTIPSIZE] = L"";
    NMLVGETINFOTIPW tip = {};
    tip.hdr.hwndFrom = dialog.DeviceListCtrl().GetSafeHwnd();
    tip.hdr.idFrom = IDC_DEVICE_LIST;
    tip.hdr.code = LVN_GETINFOTIPW;
    tip.pszText = text;
    tip.cchTextMax = INFOTIPSIZE;
    tip.iItem = row;
    dialog.SendMessage(WM_NOTIFY, IDC_DEVICE_LIST, (LPARAM)&tip);
    return text;
}

std::vector<std::wstring> Lines(const std::wstring& text)
{
    std::vector<std::wstring> lines;
    std::size_t start = 0;
    while (start <= text.size() && !text.empty()) {
        const std::size_t end = text.find(L"\r\n", start);
        lines.push_back(text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
        if (end == std::wstring::npos)
            break;
        start = end + 2;
    }
    return lines;
}

std::wstring CountsLine(std::uint64_t continuityErrors, std::uint64_t syncLosses)
{
    return L"Continuity errors: " + std::to_wstring(continuityErrors) + L", lost sync: " + std::to_wstring(syncLosses);
}

// The tip's line that starts so, or empty.
std::wstring TipLine(DeviceId id, const std::wstring& start)
{
    for (const std::wstring& line : Lines(InfoTipOfRow(RowOf(MainDialog().DeviceListCtrl(), id))))
        if (line.compare(0, start.size(), start) == 0)
            return line;
    return std::wstring();
}

// Damage the box simulator has done to a stream so far.
std::size_t DamageDone()
{
    std::vector<std::string> lines;
    if (!BoxSimCommand("LOG DAMAGE", &lines))
        return 0;
    return (std::size_t)std::count_if(lines.begin(), lines.end(),
                                      [](const std::string& line) { return line.find(" done") != std::string::npos; });
}

class RecordHealth : public MainDialogTest {
protected:
    // Records the box on the simulator's address until its stream has flowed for a while.
    void StartRecording(DeviceId id, const std::string& host)
    {
        SelectOnly(PutBoxRow(StreamBox(id, host)));
        ClickRecord();
        ASSERT_TRUE(PumpUntil([&] { return ReadRow(id).record == L"On"; }, 10000));
        ASSERT_TRUE(PumpUntil([&] { return !TipLine(id, L"Rate over").empty() &&
                                           TipLine(id, L"Rate over") != L"Rate over the last 10 s: 0.00 Mbit/s"; },
                              10000))
            << WideToNarrow(InfoTipOfRow(RowOf(MainDialog().DeviceListCtrl(), id)));
    }
    void StopRecording(DeviceId id)
    {
        const std::string path = WideToNarrow(MainDialog().Recordings().File(id));
        SelectOnly(RowOf(MainDialog().DeviceListCtrl(), id));
        ClickRecord();
        EXPECT_TRUE(PumpUntil([&] { return IsFileClosed(path); }, 10000));
        ::DeleteFileA(path.c_str());
    }
};

TEST_F(RecordHealth, CountsWhatTheBoxDamagedAndNothingInItsCleanStream)
{
    const DeviceId id = 4601;
    // Message boxes of the recorder would be a fault; the catcher is gone before the details'
    // own box opens.
    auto messages = std::make_unique<MessageBoxCatcher>();
    StartRecording(id, "10.86.1.13");
    PumpFor(2000);
    const std::wstring clean = InfoTipOfRow(RowOf(MainDialog().DeviceListCtrl(), id));
    const std::vector<std::wstring> cleanLines = Lines(clean);
    ASSERT_EQ(cleanLines.size(), 4u) << WideToNarrow(clean);
    EXPECT_EQ(cleanLines[0].rfind(L"Recording since ", 0), 0u) << WideToNarrow(clean);
    EXPECT_EQ(cleanLines[1].rfind(L"File 10.86.1.13_", 0), 0u) << WideToNarrow(clean);
    EXPECT_EQ(cleanLines[3], CountsLine(0, 0)) << "the box's clean stream";

    // Each damage lands in a chunk of its own; the expected count follows the standard's rules.
    const struct {
        const char* command;
        int continuityErrors;
        int syncLosses;
    } damages[] = {
        {"DAMAGE drop", 1, 0},               // one video packet missing
        {"DAMAGE drop 0x100 3", 1, 0},       // three in a row: one gap
        {"DAMAGE drop 0", 1, 0},             // a PAT missing
        {"DAMAGE dup", 0, 0},                // one repeat is allowed
        {"DAMAGE dup 0x100 2", 1, 0},        // a second repeat is not
        {"DAMAGE discontinuity", 0, 0},      // a flagged jump is no error
        {"DAMAGE sync", 0, 1},               // a broken sync byte on a null packet
        {"DAMAGE sync", 0, 1},
    };
    int continuityErrors = 0, syncLosses = 0;
    for (const auto& damage : damages) {
        ASSERT_TRUE(BoxSimCommand(damage.command)) << damage.command;
        continuityErrors += damage.continuityErrors;
        syncLosses += damage.syncLosses;
    }
    ASSERT_TRUE(PumpUntil([&] { return DamageDone() == std::size(damages); }, 10000)) << DamageDone();
    const std::wstring expected = CountsLine(continuityErrors, syncLosses);
    EXPECT_TRUE(PumpUntil([&] { return TipLine(id, L"Continuity") == expected; }, 5000))
        << WideToNarrow(InfoTipOfRow(RowOf(MainDialog().DeviceListCtrl(), id)));
    PumpFor(1500);  // nothing more is counted afterwards
    EXPECT_EQ(TipLine(id, L"Continuity"), expected);

    EXPECT_TRUE(messages->Texts().empty());
    messages.reset();

    // The same lines without a mouse: the row menu (Shift+F10) and its "Recording details...".
    COrvaneDlg& dialog = MainDialog();
    SelectOnly(RowOf(MainDialog().DeviceListCtrl(), id));
    std::wstring details;
    const std::vector<std::string> failures = WhileDriving(
        dialog,
        [&](ModalDriver& driver, std::vector<std::string>& failed) {
            if (!WaitForVisibleMenu(5000)) {
                failed.push_back("the row menu did not open");
                return;
            }
            ::PostMessageW(dialog.GetSafeHwnd(), WM_CHAR, L'd', 0);  // Recording &details...
            HWND box = driver.WaitForDialog(AfxGetAppName().c_str(), 5000);
            if (!box) {
                failed.push_back("no message box with the recording's details");
                return;
            }
            details = ModalDriver::MessageText(box);
            ModalDriver::Click(box, IDOK);
            driver.WaitGone(box);
        },
        [&] { dialog.SendMessage(WM_CONTEXTMENU, (WPARAM)List().GetSafeHwnd(), MAKELPARAM(-1, -1)); });
    for (const std::string& failure : failures)
        ADD_FAILURE() << failure;
    const std::vector<std::wstring> detailLines = Lines(details);
    ASSERT_EQ(detailLines.size(), 4u) << WideToNarrow(details);
    EXPECT_EQ(detailLines[0].rfind(L"Recording since ", 0), 0u) << WideToNarrow(details);
    EXPECT_EQ(detailLines[1].rfind(L"File 10.86.1.13_", 0), 0u) << WideToNarrow(details);
    EXPECT_EQ(detailLines[3], expected);

    messages = std::make_unique<MessageBoxCatcher>();
    StopRecording(id);
    EXPECT_EQ(InfoTipOfRow(RowOf(MainDialog().DeviceListCtrl(), id)), L"") << "a row not being recorded keeps the list's own tip";
    EXPECT_TRUE(messages->Texts().empty());
}

TEST_F(RecordHealth, SaysNoDataOnceTheBoxIsSilentForThreeSeconds)
{
    const DeviceId id = 4602;
    MessageBoxCatcher messages;
    StartRecording(id, "10.86.1.14");
    ASSERT_TRUE(BoxSimCommand("SILENT on"));
    // The box sends a frame every 40 ms, so the silence began at most that long before.
    PumpFor(2500);
    EXPECT_EQ(TipLine(id, L"no data for "), L"") << "under 3 s of silence is not told";
    ASSERT_TRUE(PumpUntil([&] { return !TipLine(id, L"no data for ").empty(); }, 5000))
        << WideToNarrow(InfoTipOfRow(RowOf(MainDialog().DeviceListCtrl(), id)));
    const std::wstring line = TipLine(id, L"no data for ");
    EXPECT_TRUE(line == L"no data for 3 s" || line == L"no data for 4 s") << WideToNarrow(line);
    ASSERT_TRUE(BoxSimCommand("SILENT off"));
    EXPECT_TRUE(PumpUntil([&] { return TipLine(id, L"no data for ").empty(); }, 5000));
    EXPECT_EQ(TipLine(id, L"Continuity"), CountsLine(0, 0)) << "a pause is no damage";
    StopRecording(id);
    EXPECT_TRUE(messages.Texts().empty());
}

} // namespace
