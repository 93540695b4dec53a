// The real "Search networks" dialog on the main dialog's window thread, driven the way an
// operator works it, against the box simulator on the test LAN: the text, its refusal, the
// search that finds the box at the address searched, the text kept for the next opening, and
// Close ending a running search.
#include "app/AppMessages.h"
#include "framework/TextCodec.h"
#include "tests/unit/DialogDriver.h"
#include "tests/unit/MainDialogFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class SearchDialog : public MainDialogTest {
protected:
    // Opens the dialog as its menu item does, runs the script on it and returns its failures.
    std::vector<std::string> WithSearchDialog(
        const std::function<void(HWND dialog, ModalDriver& driver, std::vector<std::string>& failed)>& script)
    {
        return WhileDriving(
            *m_dialog,
            [&](ModalDriver& driver, std::vector<std::string>& failed) {
                HWND dialog = driver.WaitForDialog(L"Search networks");
                if (!dialog) {
                    failed.push_back("no dialog \"Search networks\"");
                    return;
                }
                script(dialog, driver, failed);
                if (::IsWindow(dialog)) {
                    ModalDriver::Click(dialog, IDCANCEL);
                    if (!driver.WaitGone(dialog))
                        failed.push_back("Close did not close the dialog");
                }
            },
            [&] { m_dialog->SendMessage(WM_COMMAND, MAKEWPARAM(ID_SEARCH_NETWORKS, 0), 0); });
    }

    SearchProgress Progress() { return m_dialog->m_networkSearch.Progress(); }
};

// Polls the status text until it starts with the prefix; returns the last text seen.
std::wstring WaitForStatus(HWND dialog, const std::wstring& prefix, int timeoutMs)
{
    std::wstring status;
    for (int waited = 0; waited <= timeoutMs; waited += 50) {
        status = ModalDriver::Text(dialog, IDC_SEARCH_STATUS);
        if (status.compare(0, prefix.size(), prefix) == 0)
            break;
        ::Sleep(50);
    }
    return status;
}

TEST_F(SearchDialog, RefusesAMalformedEntryThenFindsTheBoxAtTheAddressSearchedAndKeepsTheText)
{
    ASSERT_TRUE(BoxSimCommand(
        "ADD id=3201,ip=10.86.1.13,static=10.86.1.13,mask=255.255.255.0,gw=10.86.1.1,mac=02:00:00:32:01:01,board=100"));
    const SearchProgress before = Progress();
    std::wstring searched;
    std::vector<std::string> failures = WithSearchDialog([&](HWND dialog, ModalDriver& driver,
                                                             std::vector<std::string>& failed) {
        const HWND edit = ::GetDlgItem(dialog, IDC_SEARCH_TEXT);
        if (!driver.WaitForFocus(edit))
            failed.push_back("the text does not have the focus");
        const LONG_PTR style = ::GetWindowLongPtrW(edit, GWL_STYLE);
        if (!(style & ES_MULTILINE) || !(style & ES_WANTRETURN))
            failed.push_back("the text is not a multi-line edit that keeps Enter");
        if (ModalDriver::Text(dialog, IDOK) != L"Search" || ModalDriver::Text(dialog, IDCANCEL) != L"Close")
            failed.push_back("buttons: " + WideToNarrow(ModalDriver::Text(dialog, IDOK)) + ", " +
                             WideToNarrow(ModalDriver::Text(dialog, IDCANCEL)));

        // A malformed entry: refused, quoted, nothing started, the text stays as typed.
        const std::wstring typed = L"10.86.1.13, 10.86.1.300";
        ModalDriver::Type(dialog, IDC_SEARCH_TEXT, typed);
        ModalDriver::Click(dialog, IDOK);
        HWND refusal = driver.WaitForDialog(L"Orvane");
        if (!refusal) {
            failed.push_back("no refusal");
            return;
        }
        if (ModalDriver::MessageText(refusal).find(L"\"10.86.1.300\"") == std::wstring::npos)
            failed.push_back("the refusal does not quote the entry: " + WideToNarrow(ModalDriver::MessageText(refusal)));
        ModalDriver::Click(refusal, IDOK);
        driver.WaitGone(refusal);
        if (!::IsWindow(dialog) || ModalDriver::Text(dialog, IDC_SEARCH_TEXT) != typed)
            failed.push_back("after the refusal the dialog is gone or its text changed");
        if (Progress().state != before.state || Progress().addressCount != before.addressCount)
            failed.push_back("a refused text started a search");

        // Enter in the text starts a new line, not the search.
        ModalDriver::Type(dialog, IDC_SEARCH_TEXT, L"10.86.1.13");
        ::SendMessageW(edit, EM_SETSEL, 10, 10);
        // The dialog's loop translates the key into its character, as for a real key.
        ::PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 0x001C0001);
        ::PostMessageW(edit, WM_KEYUP, VK_RETURN, 0xC01C0001);
        ::Sleep(500);
        searched = ModalDriver::Text(dialog, IDC_SEARCH_TEXT);
        if (searched != L"10.86.1.13\r\n")
            failed.push_back("Enter did not start a new line: " + WideToNarrow(searched));
        if (Progress().state == SearchProgress::State::RUNNING && Progress().addressCount != before.addressCount)
            failed.push_back("Enter started the search");

        ModalDriver::Click(dialog, IDOK);
        const std::wstring status = WaitForStatus(dialog, L"Done:", 10000);
        if (status.find(L"Done: 1 addresses probed, 1 boxes answered in ") != 0)
            failed.push_back("status: " + WideToNarrow(status));
    });
    EXPECT_EQ(failures, std::vector<std::string>());

    EXPECT_TRUE(PumpUntil([&] { return RowOf(List(), 3201) >= 0; }, 5000)) << "the box's row";
    const std::map<DeviceId, Ipv4Host> found = m_dialog->m_networkSearch.FoundBoxes();
    ASSERT_EQ(found.count(3201), 1u);
    EXPECT_EQ(found.at(3201), HostAddress("10.86.1.13"));
    const int row = RowOf(List(), 3201);
    ASSERT_GE(row, 0);
    EXPECT_EQ(List().GetItemText(row, COL_LAN_IP), L"10.86.1.13");
    EXPECT_EQ(List().GetItemText(row, COL_RECORD), L"Off");

    // Opened again: the last search's text, and no status of a search it did not start.
    failures = WithSearchDialog([&](HWND dialog, ModalDriver&, std::vector<std::string>& failed) {
        if (ModalDriver::Text(dialog, IDC_SEARCH_TEXT) != searched)
            failed.push_back("text on reopening: " + WideToNarrow(ModalDriver::Text(dialog, IDC_SEARCH_TEXT)));
        if (!ModalDriver::Text(dialog, IDC_SEARCH_STATUS).empty())
            failed.push_back("stale status: " + WideToNarrow(ModalDriver::Text(dialog, IDC_SEARCH_STATUS)));
    });
    EXPECT_EQ(failures, std::vector<std::string>());
}

// The found box stays probed by unicast: after its row is removed it comes back at the next
// 10-second round, from the search's socket.
TEST_F(SearchDialog, AFoundBoxIsProbedAgainEveryTenSecondsAndComesBackAfterItsRowIsRemoved)
{
    ASSERT_TRUE(BoxSimCommand(
        "ADD id=3202,ip=10.86.1.14,static=10.86.1.14,mask=255.255.255.0,gw=10.86.1.1,mac=02:00:00:32:02:01,board=100"));
    std::vector<std::string> failures = WithSearchDialog([&](HWND dialog, ModalDriver&, std::vector<std::string>& failed) {
        ModalDriver::Type(dialog, IDC_SEARCH_TEXT, L"10.86.1.14/32");
        ModalDriver::Click(dialog, IDOK);
        const std::wstring status = WaitForStatus(dialog, L"Done:", 10000);
        if (status.find(L"Done: 1 addresses probed, 1 boxes answered") != 0)
            failed.push_back("status: " + WideToNarrow(status));
    });
    ASSERT_EQ(failures, std::vector<std::string>());
    ASSERT_TRUE(PumpUntil([&] { return RowOf(List(), 3202) >= 0; }, 5000));

    sockaddr_in local = {};
    int length = sizeof local;
    ASSERT_EQ(::getsockname(m_dialog->m_networkSearch.Socket(), reinterpret_cast<sockaddr*>(&local), &length), 0);
    const std::string searchPort = ":" + std::to_string(::ntohs(local.sin_port));
    auto searchProbes = [&] {
        int count = 0;
        for (const std::string& line : BoxSimReceived(MSG_PROBE)) {
            const ReceivedDatagram probe = ParseReceivedLine(line);
            if (probe.endpoint.size() > searchPort.size() &&
                probe.endpoint.compare(probe.endpoint.size() - searchPort.size(), searchPort.size(), searchPort) == 0)
                ++count;
        }
        return count;
    };
    EmptyTable();
    ASSERT_TRUE(BoxSimCommand("CLEAR"));
    // The scanners' broadcasts bring the row back too; the probe from the search's socket
    // shows the round.
    EXPECT_TRUE(PumpUntil([&] { return RowOf(List(), 3202) >= 0 && searchProbes() >= 1; }, 12000))
        << "back, and probed from the search's socket, within a round";
}

// Close ends a running search at once: no probe of it leaves afterwards.
TEST_F(SearchDialog, CloseStopsARunningSearch)
{
    std::size_t sentAtClose = 0;
    std::vector<std::string> failures = WithSearchDialog([&](HWND dialog, ModalDriver& driver,
                                                             std::vector<std::string>& failed) {
        ModalDriver::Type(dialog, IDC_SEARCH_TEXT, L"10.86.1.0/24\r\n10.86.2.0/24");
        ModalDriver::Click(dialog, IDOK);
        const std::wstring status = WaitForStatus(dialog, L"Searching: ", 2000);
        if (status.find(L" of 508 addresses") == std::wstring::npos || status.find(L"probed") != std::wstring::npos)
            failed.push_back("status while running: " + WideToNarrow(status));
        ModalDriver::Click(dialog, IDCANCEL);
        if (!driver.WaitGone(dialog, 1000))
            failed.push_back("Close did not close the dialog within a second");
        const SearchProgress progress = Progress();
        sentAtClose = progress.firstProbesSent + progress.secondProbesSent;
        if (progress.state != SearchProgress::State::CANCELLED)
            failed.push_back("the search did not stop");
    });
    EXPECT_EQ(failures, std::vector<std::string>());
    PumpFor(1000);
    const SearchProgress later = Progress();
    EXPECT_EQ(later.firstProbesSent + later.secondProbesSent, sentAtClose);
}

} // namespace
