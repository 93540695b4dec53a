// The Set command end to end: the real main dialog, the Set dialog and the warning worked
// from a helper thread, and the box simulator on the other side of the test LAN.
#include "config/SetCommand.h"
#include "discovery/Ipv4Text.h"
#include "framework/TextCodec.h"
#include "tests/unit/BoxRows.h"
#include "tests/unit/DialogDriver.h"
#include "tests/unit/MainDialogFixture.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

const wchar_t CONFIRMATION[] =
    L"This will set a static IP address on the ethernet adapter of your device!\nAre you sure?";

// The hex text of a 184-byte set command, written out field by field.
std::string SetCommandHex(DeviceId id, const char* currentIp, const char* currentMask, const char* newIp,
                          const char* newMask, const char* newGateway, const unsigned char mac[6])
{
    std::vector<unsigned char> bytes(DATAGRAM_SIZE, 0);
    auto put32 = [&](int offset, std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            bytes[offset + i] = (unsigned char)(value >> (8 * i));
    };
    put32(0, 102);
    put32(4, (std::uint32_t)id);
    put32(12, HostAddress(currentIp));
    put32(16, HostAddress(currentMask));
    put32(24, HostAddress(newIp));
    put32(28, HostAddress(newMask));
    put32(32, HostAddress(newGateway));
    std::copy(mac, mac + 6, bytes.begin() + 44);
    return Hex(bytes.data(), (int)bytes.size());
}

class SetCommand : public MainDialogTest {
protected:
    std::vector<std::string> ClickSet(const DriverScript& script)
    {
        BoxSimCommand("CLEAR");
        return WhileDriving(*m_dialog, script, [&] { ClickButton(*m_dialog, IDC_SET); });
    }

    // Set commands the box simulator got since ClickSet. The command sends them all before it
    // returns, so a short wait for the last ones to arrive is enough.
    std::vector<std::string> SetCommandsReceived()
    {
        PumpFor(300);
        return BoxSimReceived(MSG_SET_NETWORK);
    }
};

HWND OpenedSetDialog(ModalDriver& driver, std::vector<std::string>& failures)
{
    HWND dialog = driver.WaitForDialog(L"Set");
    if (!dialog)
        failures.push_back("the Set dialog did not open");
    return dialog;
}

// Answers the warning that comes after the Set dialog.
void AnswerConfirmation(ModalDriver& driver, std::vector<std::string>& failures, HWND mainDialog, int button)
{
    HWND box = driver.WaitForDialog(L"Warning!!!");
    if (!box) {
        failures.push_back("no confirmation");
        return;
    }
    if (ModalDriver::StaticTexts(box) != std::wstring(CONFIRMATION) + L"\n")
        failures.push_back("confirmation text: " + WideToNarrow(ModalDriver::StaticTexts(box)));
    if (::GetWindow(box, GW_OWNER) != mainDialog)
        failures.push_back("the confirmation is not owned by the main window");
    if (!::GetDlgItem(box, IDOK) || !::GetDlgItem(box, IDCANCEL))
        failures.push_back("the confirmation lacks OK or Cancel");
    ModalDriver::Click(box, button);
    driver.WaitGone(box);
}

TEST_F(SetCommand, SendsFivePassesFromEveryLocalAddressAndTheBoxTakesTheNewValues)
{
    ASSERT_TRUE(BoxSimCommand(
        "ADD id=3101,ip=10.86.1.13,static=10.86.1.13,mask=255.255.255.0,gw=10.86.1.1,mac=02:00:00:aa:bb:01,board=100"));
    ASSERT_TRUE(PumpUntil([&] { return RowOf(List(), 3101) >= 0; }, 15000)) << "the box never showed up";
    SelectRows(List(), {RowOf(List(), 3101)});

    const HWND mainDialog = m_dialog->GetSafeHwnd();
    std::vector<std::string> failures = ClickSet([&](ModalDriver& driver, std::vector<std::string>& failed) {
        HWND dialog = OpenedSetDialog(driver, failed);
        if (!dialog)
            return;
        if (ModalDriver::Text(dialog, IDC_SET_ID) != L"3101" || ModalDriver::Text(dialog, IDC_SET_IP) != L"10.86.1.13" ||
            ModalDriver::Text(dialog, IDC_SET_NETMASK) != L"255.255.255.0" ||
            ModalDriver::Text(dialog, IDC_SET_GATEWAY) != L"10.86.1.1")
            failed.push_back("the dialog does not show the row's ID, static address, netmask and gateway");
        if (!(::GetWindowLongPtrW(::GetDlgItem(dialog, IDC_SET_ID), GWL_STYLE) & ES_READONLY))
            failed.push_back("the ID edit can be changed");
        if (!driver.WaitForFocus(::GetDlgItem(dialog, IDC_SET_IP)))
            failed.push_back("the focus is not in the Lan IP edit");
        ModalDriver::Type(dialog, IDC_SET_ID, L"999");  // never read back
        ModalDriver::Type(dialog, IDC_SET_IP, L"10.86.1.14");
        ModalDriver::Type(dialog, IDC_SET_NETMASK, L"255.255.0.0");
        ModalDriver::Type(dialog, IDC_SET_GATEWAY, L"10.86.1.254");
        ModalDriver::Click(dialog, IDOK);
        driver.WaitGone(dialog);
        AnswerConfirmation(driver, failed, mainDialog, IDOK);
    });
    EXPECT_EQ(failures, std::vector<std::string>());

    const std::vector<Ipv4Net> locals = GetLocalAddresses();
    ASSERT_EQ(locals.size(), 2u) << "the test LAN gives the PC two addresses";
    const unsigned char mac[6] = {0x02, 0x00, 0x00, 0xAA, 0xBB, 0x01};
    const std::string expectedHex =
        SetCommandHex(3101, "10.86.1.13", "255.255.255.0", "10.86.1.14", "255.255.0.0", "10.86.1.254", mac);
    std::vector<std::string> received = SetCommandsReceived();
    ASSERT_EQ(received.size(), 5 * locals.size());
    for (size_t i = 0; i < received.size(); ++i) {
        const ReceivedDatagram datagram = ParseReceivedLine(received[i]);
        EXPECT_EQ(datagram.source, Ipv4ToText(locals[i % locals.size()]))
            << "datagram " << i << ": passes go A, B, A, B, ...";
        EXPECT_EQ(datagram.hex, expectedHex) << "datagram " << i;
    }
    std::vector<std::string> applied;
    BoxSimCommand("LOG SET", &applied);
    ASSERT_FALSE(applied.empty());
    EXPECT_EQ(applied.front(), "SET id=3101 ip=10.86.1.14 mask=255.255.0.0 gw=10.86.1.254");

    // The box's next announcement brings the new values into its row; it still answers from
    // its old address.
    auto showsNewValues = [&] {
        int row = RowOf(List(), 3101);
        return row >= 0 && List().GetItemText(row, COL_LAN_STATIC_IP) == L"10.86.1.14" &&
               List().GetItemText(row, COL_LAN_NETMASK) == L"255.255.0.0" &&
               List().GetItemText(row, COL_LAN_GATEWAY) == L"10.86.1.254";
    };
    EXPECT_TRUE(PumpUntil(showsNewValues, 15000));
    EXPECT_EQ(List().GetItemText(RowOf(List(), 3101), COL_LAN_IP), L"10.86.1.13");
}

TEST_F(SetCommand, UnchangedValuesOfTheLowestSelectedRowAreSentAsTheyAre)
{
    PutBoxRow({3112, "10.86.1.16", "10.86.1.16", "255.255.255.0", "10.86.1.1", "02:00:00:aa:bb:12"});
    PutBoxRow({3111, "10.86.1.15", "192.168.7.15", "255.255.0.0", "192.168.7.1", "02:00:00:aa:bb:11"});
    SelectRows(List(), {0, 1});  // 3111 above 3112

    const HWND mainDialog = m_dialog->GetSafeHwnd();
    std::vector<std::string> failures = ClickSet([&](ModalDriver& driver, std::vector<std::string>& failed) {
        HWND dialog = OpenedSetDialog(driver, failed);
        if (!dialog)
            return;
        if (ModalDriver::Text(dialog, IDC_SET_ID) != L"3111")
            failed.push_back("not the selected row with the lowest index");
        ModalDriver::Click(dialog, IDOK);
        driver.WaitGone(dialog);
        AnswerConfirmation(driver, failed, mainDialog, IDOK);
    });
    EXPECT_EQ(failures, std::vector<std::string>());

    const unsigned char mac[6] = {0x02, 0x00, 0x00, 0xAA, 0xBB, 0x11};
    const std::string expectedHex =
        SetCommandHex(3111, "192.168.7.15", "255.255.0.0", "192.168.7.15", "255.255.0.0", "192.168.7.1", mac);
    std::vector<std::string> received = SetCommandsReceived();
    ASSERT_EQ(received.size(), 10u) << "5 passes from each of the test LAN's two addresses";
    for (const std::string& line : received)
        EXPECT_EQ(ParseReceivedLine(line).hex, expectedHex);
}

struct CancelCase {
    const char* name;
    bool cancelInDialog;  // else OK in the dialog and Cancel in the warning
};

TEST_F(SetCommand, CancelInTheDialogOrTheWarningSendsNothing)
{
    PutBoxRow({3121, "10.86.1.17", "10.86.1.17", "255.255.255.0", "10.86.1.1", "02:00:00:aa:bb:21"});
    SelectRows(List(), {0});
    const HWND mainDialog = m_dialog->GetSafeHwnd();
    const CancelCase cases[] = {{"Cancel in the Set dialog", true}, {"Cancel in the warning", false}};
    for (const CancelCase& c : cases) {
        std::vector<std::string> failures = ClickSet([&](ModalDriver& driver, std::vector<std::string>& failed) {
            HWND dialog = OpenedSetDialog(driver, failed);
            if (!dialog)
                return;
            ModalDriver::Type(dialog, IDC_SET_IP, L"10.86.1.99");
            ModalDriver::Click(dialog, c.cancelInDialog ? IDCANCEL : IDOK);
            driver.WaitGone(dialog);
            if (c.cancelInDialog) {
                if (driver.WaitForDialog(L"Warning!!!", 500))
                    failed.push_back("a warning after Cancel");
                return;
            }
            AnswerConfirmation(driver, failed, mainDialog, IDCANCEL);
        });
        EXPECT_EQ(failures, std::vector<std::string>()) << c.name;
        EXPECT_EQ(SetCommandsReceived(), std::vector<std::string>()) << c.name;
    }
}

TEST_F(SetCommand, WithoutASelectedRowNothingOpensAndNothingIsSent)
{
    PutBoxRow({3131, "10.86.1.18", "10.86.1.18", "255.255.255.0", "10.86.1.1", "02:00:00:aa:bb:31"});
    std::vector<std::string> failures = ClickSet([&](ModalDriver& driver, std::vector<std::string>& failed) {
        if (driver.WaitForDialog(nullptr, 500))
            failed.push_back("a window opened");
    });
    EXPECT_EQ(failures, std::vector<std::string>());
    EXPECT_EQ(SetCommandsReceived(), std::vector<std::string>());
}

struct InvalidCase {
    int field;
    const wchar_t* fieldName;
    const wchar_t* text;
};

// Each refusal names the field and the text and leaves the dialog open with that field
// focused; the same dialog then takes valid values.
TEST_F(SetCommand, InvalidAddressesAreRefusedNamingTheFieldAndNothingIsSent)
{
    PutBoxRow({3141, "10.86.1.19", "10.86.1.19", "255.255.255.0", "10.86.1.1", "02:00:00:aa:bb:41"});
    SelectRows(List(), {0});
    const HWND mainDialog = m_dialog->GetSafeHwnd();
    const InvalidCase cases[] = {
        {IDC_SET_IP, L"Lan IP", L"10.86.1"},
        {IDC_SET_IP, L"Lan IP", L"10.86.1.256"},
        {IDC_SET_IP, L"Lan IP", L"box-one"},
        {IDC_SET_NETMASK, L"Lan netmask", L"255.0.255.0"},
        {IDC_SET_NETMASK, L"Lan netmask", L""},
        {IDC_SET_GATEWAY, L"Lan gateway", L"10.86.1.1.1"},
    };
    std::vector<std::string> failures = ClickSet([&](ModalDriver& driver, std::vector<std::string>& failed) {
        HWND dialog = OpenedSetDialog(driver, failed);
        if (!dialog)
            return;
        for (const InvalidCase& c : cases) {
            const std::string name = WideToNarrow(std::wstring(c.fieldName) + L" \"" + c.text + L"\": ");
            const std::wstring valid = ModalDriver::Text(dialog, c.field);
            ModalDriver::Type(dialog, c.field, c.text);
            ModalDriver::Click(dialog, IDOK);
            HWND refusal = driver.WaitForDialog(L"Orvane");
            if (!refusal) {
                failed.push_back(name + "no message");
                return;
            }
            const std::wstring says = ModalDriver::StaticTexts(refusal);
            const std::wstring start = std::wstring(c.fieldName) + L": \"" + c.text + L"\"";
            if (says.compare(0, start.size(), start) != 0)
                failed.push_back(name + "the message does not name the field and text: " + WideToNarrow(says));
            if (::GetWindow(refusal, GW_OWNER) != dialog)
                failed.push_back(name + "the message is not owned by the Set dialog");
            ModalDriver::Click(refusal, IDOK);
            driver.WaitGone(refusal);
            if (!::IsWindowVisible(dialog))
                failed.push_back(name + "the Set dialog closed");
            if (!driver.WaitForFocus(::GetDlgItem(dialog, c.field)))
                failed.push_back(name + "the refused field does not have the focus");
            ModalDriver::Type(dialog, c.field, valid);
        }
        // Valid again: the dialog goes on to the warning, which is cancelled.
        ModalDriver::Click(dialog, IDOK);
        driver.WaitGone(dialog);
        AnswerConfirmation(driver, failed, mainDialog, IDCANCEL);
    });
    EXPECT_EQ(failures, std::vector<std::string>());
    EXPECT_EQ(SetCommandsReceived(), std::vector<std::string>());
}

TEST(SetLocalAddresses, TheAddressTableFallbackListsTheLookupsAddressesWithoutLoopback)
{
    SKIP_UNLESS_TEST_LAN();
    SocketStartup();
    std::vector<Ipv4Net> lookup = LocalAddressesFromLookup();
    std::vector<Ipv4Net> table = LocalAddressesFromTable();
    std::sort(lookup.begin(), lookup.end());
    std::sort(table.begin(), table.end());
    std::vector<Ipv4Net> lan;
    for (const TestLanAddress& pc : TEST_LAN_PC_ADDRESSES)
        lan.push_back(Ipv4FromText(pc.address));
    std::sort(lan.begin(), lan.end());
    EXPECT_EQ(lookup, lan);
    EXPECT_EQ(table, lan);
}

} // namespace
