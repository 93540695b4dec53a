// Opening a box's web page: the subnet test on the interface that heard the box, the warning,
// the alias address, and the browser started through the real registry and shell.
#include "config/WebPageCommand.h"
#include "discovery/Ipv4Text.h"
#include "discovery/RoutedBox.h"
#include "framework/TextCodec.h"
#include "tests/unit/BrowserPathRegistry.h"
#include "tests/unit/BoxRows.h"
#include "tests/unit/DialogDriver.h"
#include "tests/unit/MainDialogFixture.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

// Stands in for AddIPAddress and FlushIpNetTable, which Wine does not implement; records the calls.
class RecordingIpHelper : public IpHelper {
public:
    struct Added {
        std::string address;
        std::string netmask;
        DWORD interfaceIndex;
    };
    DWORD AddIPAddress(Ipv4Net address, Ipv4Net netmask, DWORD interfaceIndex, ULONG* nteContext,
                       ULONG* nteInstance) override
    {
        added.push_back({Ipv4ToText(address), Ipv4ToText(netmask), interfaceIndex});
        if (addResult == NO_ERROR) {
            *nteContext = nextContext;
            *nteInstance = 1;
        } else {
            *nteContext = 0xDEADu;  // what a failed call may leave behind
        }
        return addResult;
    }
    DWORD FlushIpNetTable(DWORD interfaceIndex) override
    {
        flushed.push_back(interfaceIndex);
        return NO_ERROR;
    }

    std::vector<Added> added;
    std::vector<DWORD> flushed;
    DWORD addResult = NO_ERROR;
    ULONG nextContext = 4242;
};

class WebPage : public MainDialogTest {
protected:
    void SetUp() override
    {
        MainDialogTest::SetUp();
        if (IsSkipped())
            return;
        m_link1 = InterfaceIndexOf(TEST_LAN_PC_ADDRESSES[0].address);
        m_link2 = InterfaceIndexOf(TEST_LAN_PC_ADDRESSES[1].address);
        ASSERT_NE(m_link1, 0u);
        ASSERT_NE(m_link2, 0u);
        m_dialog->m_ipHelper = &m_ipHelper;
        m_addedBefore = m_dialog->m_addedAddresses;

        const std::wstring browser = GetExecutableDirectory() + L"\\orvane_fakebrowser.exe";
        ASSERT_NE(::GetFileAttributesW(browser.c_str()), INVALID_FILE_ATTRIBUTES) << "orvane_fakebrowser.exe is missing";
        m_registry.SetUserChoice(L"OrvaneTestBrowser");
        m_registry.SetOpenCommand(L"OrvaneTestBrowser", L"\"" + browser + L"\" --from-command-text \"%1\"");
        m_registry.SetHttpAssociation(L"\"" + browser + L"\" --association \"%1\"");
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        m_browserLog = std::wstring(temp) + L"orvane_fakebrowser_" + std::to_wstring(::GetCurrentProcessId()) + L".log";
        ::DeleteFileW(m_browserLog.c_str());
        ::SetEnvironmentVariableW(L"ORVANE_FAKEBROWSER_LOG", m_browserLog.c_str());
    }

    void TearDown() override
    {
        if (m_dialog)
            m_dialog->m_ipHelper = &SystemIpHelper();
        ::DeleteFileW(m_browserLog.c_str());
        MainDialogTest::TearDown();
    }

    // Shows the box as heard on the interface and selects its row.
    void SelectBoxHeardOn(const TestBox& box, std::uint32_t interfaceIndex)
    {
        PutBoxRow(box, Delivery::AsReceiverOn(interfaceIndex));
        SelectRows(List(), {RowOf(List(), box.id)});
    }

    // A double click on the list, naming a row other than the selected one: the command works
    // on the selection. Returns what the script reported as failed.
    std::vector<std::string> DoubleClick(const DriverScript& script)
    {
        return WhileDriving(*m_dialog, script, [&] {
            NMITEMACTIVATE activate = {};
            activate.hdr.hwndFrom = List().GetSafeHwnd();
            activate.hdr.idFrom = IDC_DEVICE_LIST;
            activate.hdr.code = NM_DBLCLK;
            activate.iItem = 99;
            ::SendMessageW(m_dialog->GetSafeHwnd(), WM_NOTIFY, IDC_DEVICE_LIST, (LPARAM)&activate);
        });
    }

    // The browser starts recorded so far, each as its arguments; waits until there are at
    // least `wanted` of them or the time is up.
    std::vector<std::vector<std::string>> BrowserStarts(size_t wanted, int timeoutMs = 5000)
    {
        std::vector<std::vector<std::string>> starts;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        do {
            starts.clear();
            std::ifstream log(WideToNarrow(m_browserLog));
            std::string line;
            while (std::getline(log, line)) {
                std::vector<std::string> arguments;
                std::stringstream fields(line);
                std::string argument;
                while (std::getline(fields, argument, '\t'))
                    arguments.push_back(argument);
                starts.push_back(arguments);
            }
            if (starts.size() >= wanted && wanted > 0)
                break;
            PumpFor(50);
        } while (std::chrono::steady_clock::now() < deadline);
        return starts;
    }

    std::uint32_t m_link1 = 0;
    std::uint32_t m_link2 = 0;
    RecordingIpHelper m_ipHelper;
    std::set<std::uint32_t> m_addedBefore;
    TestBrowserRegistry m_registry;
    std::wstring m_browserLog;
};

using Starts = std::vector<std::vector<std::string>>;

DriverScript ExpectNoWindow()
{
    return [](ModalDriver& driver, std::vector<std::string>& failed) {
        if (HWND window = driver.WaitForDialog(nullptr, 500))
            failed.push_back("a window opened: " + WideToNarrow(ModalDriver::StaticTexts(window)));
    };
}

// Answers the subnet warning with the given button.
DriverScript AnswerWarning(HWND mainDialog, int button)
{
    return [=](ModalDriver& driver, std::vector<std::string>& failed) {
        HWND box = driver.WaitForDialog(L"Warning!!!");
        if (!box) {
            failed.push_back("no warning");
            return;
        }
        const std::wstring says = ModalDriver::StaticTexts(box);
        if (says != L"The device is in a different subnet!\nDo you want to open it forcely?\n")
            failed.push_back("warning text: " + WideToNarrow(says));
        if (::GetWindow(box, GW_OWNER) != mainDialog)
            failed.push_back("the warning is not owned by the main window");
        ModalDriver::Click(box, button);
        driver.WaitGone(box);
    };
}

TEST_F(WebPage, ABoxInASubnetOfItsInterfaceOpensAtOnceInTheRegisteredBrowser)
{
    SelectBoxHeardOn({2001, "10.86.1.15", "10.86.1.15", "255.255.255.0", "10.86.1.1", "02:00:00:00:20:01"}, m_link1);
    EXPECT_EQ(DoubleClick(ExpectNoWindow()), std::vector<std::string>());
    EXPECT_EQ(BrowserStarts(1), Starts({{"http://10.86.1.15/"}}));
    EXPECT_TRUE(m_ipHelper.added.empty());
    EXPECT_TRUE(m_ipHelper.flushed.empty());
}

struct OutsideCase {
    const char* name;
    TestBox box;
    const char* alias;
};

TEST_F(WebPage, ABoxOutsideTheSubnetsOfItsInterfaceGetsAnAliasThereAfterTheWarning)
{
    const OutsideCase cases[] = {
        {"a subnet no local address covers",
         {2011, "172.20.5.10", "172.20.5.10", "255.255.255.0", "172.20.5.1", "02:00:00:00:20:11"},
         "172.20.5.11"},
        {"the subnet of another interface's address",
         {2012, "10.86.2.10", "10.86.2.10", "255.255.255.0", "10.86.2.1", "02:00:00:00:20:12"},
         "10.86.2.11"},
        {"the interface's own subnet under the box's wider netmask",
         {2013, "10.86.1.20", "10.86.1.20", "255.255.0.0", "10.86.1.1", "02:00:00:00:20:13"},
         "10.86.1.21"},
        {"a box at .254",
         {2014, "172.20.5.254", "172.20.5.254", "255.255.255.0", "172.20.5.1", "02:00:00:00:20:14"},
         "172.20.5.253"},
        {"a box whose next address is its /30's broadcast address",
         {2015, "172.20.5.10", "172.20.5.10", "255.255.255.252", "172.20.5.9", "02:00:00:00:20:15"},
         "172.20.5.9"},
    };
    const HWND mainDialog = m_dialog->GetSafeHwnd();
    size_t startsSoFar = 0;
    for (const OutsideCase& c : cases) {
        m_ipHelper.added.clear();
        m_ipHelper.flushed.clear();
        m_ipHelper.nextContext = 5000 + (ULONG)c.box.id;
        SelectBoxHeardOn(c.box, m_link1);
        EXPECT_EQ(DoubleClick(AnswerWarning(mainDialog, IDOK)), std::vector<std::string>()) << c.name;

        ASSERT_EQ(m_ipHelper.added.size(), 1u) << c.name;
        EXPECT_EQ(m_ipHelper.added[0].address, c.alias) << c.name;
        EXPECT_EQ(m_ipHelper.added[0].netmask, c.box.netmask) << c.name << ": the box's own netmask";
        EXPECT_EQ(m_ipHelper.added[0].interfaceIndex, m_link1) << c.name;
        EXPECT_EQ(m_ipHelper.flushed, std::vector<DWORD>({m_link1})) << c.name;
        EXPECT_EQ(m_dialog->m_addedAddresses.count(m_ipHelper.nextContext), 1u) << c.name;
        Starts starts = BrowserStarts(++startsSoFar);
        ASSERT_EQ(starts.size(), startsSoFar) << c.name;
        EXPECT_EQ(starts.back(), std::vector<std::string>({"http://" + c.box.lanIp + "/"})) << c.name;
    }
}

TEST_F(WebPage, CancelInTheWarningAddsAndOpensNothing)
{
    SelectBoxHeardOn({2021, "172.20.5.10", "172.20.5.10", "255.255.255.0", "172.20.5.1", "02:00:00:00:20:21"}, m_link1);
    EXPECT_EQ(DoubleClick(AnswerWarning(m_dialog->GetSafeHwnd(), IDCANCEL)), std::vector<std::string>());
    EXPECT_TRUE(m_ipHelper.added.empty());
    EXPECT_TRUE(m_ipHelper.flushed.empty());
    EXPECT_EQ(m_dialog->m_addedAddresses, m_addedBefore);
    EXPECT_EQ(BrowserStarts(0, 1500), Starts());
}

TEST_F(WebPage, AFailedAliasIsReportedNotRecordedAndThePageStillOpens)
{
    m_ipHelper.addResult = ERROR_ACCESS_DENIED;
    SelectBoxHeardOn({2031, "172.20.5.10", "172.20.5.10", "255.255.255.0", "172.20.5.1", "02:00:00:00:20:31"}, m_link1);
    const HWND mainDialog = m_dialog->GetSafeHwnd();
    const std::string interfaceText = "interface " + std::to_string(m_link1);
    std::vector<std::string> failures = DoubleClick([&](ModalDriver& driver, std::vector<std::string>& failed) {
        AnswerWarning(mainDialog, IDOK)(driver, failed);
        HWND report = driver.WaitForDialog(L"Orvane");
        if (!report) {
            failed.push_back("the failure was not reported");
            return;
        }
        const std::string says = WideToNarrow(ModalDriver::StaticTexts(report));
        for (const char* part : {"172.20.5.11", interfaceText.c_str(), "(error 5)", "administrator"}) {
            if (says.find(part) == std::string::npos)
                failed.push_back(std::string("the report lacks \"") + part + "\": " + says);
        }
        if (::GetWindow(report, GW_OWNER) != mainDialog)
            failed.push_back("the report is not owned by the main window");
        ModalDriver::Click(report, IDOK);
        driver.WaitGone(report);
    });
    EXPECT_EQ(failures, std::vector<std::string>());
    EXPECT_EQ(m_ipHelper.added.size(), 1u);
    EXPECT_EQ(m_dialog->m_addedAddresses, m_addedBefore) << "no context of an alias that was not added";
    EXPECT_EQ(BrowserStarts(1), Starts({{"http://172.20.5.10/"}}));
}

struct NetmaskCase {
    const char* netmask;
    bool aliasAdded;
};

// Only a contiguous netmask from /8 to /30 gets an alias; with any other the operator is told
// why no address was added, and the page opens all the same.
TEST_F(WebPage, AnAliasOnlyForANetmaskFromSlash8ToSlash30)
{
    const NetmaskCase cases[] = {
        {"255.255.255.252", true}, {"128.0.0.0", false}, {"0.0.0.0", false}, {"255.0.255.0", false},
    };
    const HWND mainDialog = m_dialog->GetSafeHwnd();
    size_t startsSoFar = 0;
    DeviceId id = 2061;
    for (const NetmaskCase& c : cases) {
        SCOPED_TRACE(c.netmask);
        m_ipHelper.added.clear();
        m_ipHelper.flushed.clear();
        const std::set<std::uint32_t> addedBefore = m_dialog->m_addedAddresses;
        SelectBoxHeardOn({id++, "172.20.5.10", "172.20.5.10", c.netmask, "172.20.5.1", "02:00:00:00:20:61"}, m_link1);
        std::vector<std::string> failures = DoubleClick([&](ModalDriver& driver, std::vector<std::string>& failed) {
            AnswerWarning(mainDialog, IDOK)(driver, failed);
            if (c.aliasAdded)
                return;
            HWND report = driver.WaitForDialog(L"Orvane");
            if (!report) {
                failed.push_back("no message says why no address was added");
                return;
            }
            const std::string says = WideToNarrow(ModalDriver::StaticTexts(report));
            const std::string expected = std::string("No address was added to the adapter: the box's netmask ") +
                                         c.netmask + " is not a subnet mask from /8 to /30.\nThe page is opened all the same.\n";
            if (says != expected)
                failed.push_back("the message says: " + says);
            if (::GetWindow(report, GW_OWNER) != mainDialog)
                failed.push_back("the message is not owned by the main window");
            ModalDriver::Click(report, IDOK);
            driver.WaitGone(report);
        });
        EXPECT_EQ(failures, std::vector<std::string>());
        if (c.aliasAdded) {
            ASSERT_EQ(m_ipHelper.added.size(), 1u);
            EXPECT_EQ(m_ipHelper.added[0].netmask, c.netmask);
            EXPECT_EQ(m_ipHelper.flushed, std::vector<DWORD>({m_link1}));
        } else {
            EXPECT_TRUE(m_ipHelper.added.empty());
            EXPECT_TRUE(m_ipHelper.flushed.empty());
            EXPECT_EQ(m_dialog->m_addedAddresses, addedBefore);
        }
        Starts starts = BrowserStarts(++startsSoFar);
        ASSERT_EQ(starts.size(), startsSoFar);
        EXPECT_EQ(starts.back(), std::vector<std::string>({"http://172.20.5.10/"}));
    }
}

struct FallbackCase {
    const char* name;
    const wchar_t* progId;
    const wchar_t* command;  // null: the ProgId has no open command
};

// Without a usable browser path the shell's own association for the page address opens it.
TEST_F(WebPage, WithoutAUsableBrowserPathTheShellOpensThePage)
{
    const FallbackCase cases[] = {
        {"no open command", L"OrvaneMissingBrowser", nullptr},
        {"a browser that cannot be started", L"OrvaneBrokenBrowser", L"\"C:\\NoSuchFolder\\nobrowser.exe\" \"%1\""},
    };
    SelectBoxHeardOn({2041, "10.86.1.15", "10.86.1.15", "255.255.255.0", "10.86.1.1", "02:00:00:00:20:41"}, m_link1);
    size_t startsSoFar = 0;
    for (const FallbackCase& c : cases) {
        m_registry.SetUserChoice(c.progId);
        if (c.command)
            m_registry.SetOpenCommand(c.progId, c.command);
        EXPECT_EQ(DoubleClick(ExpectNoWindow()), std::vector<std::string>()) << c.name;
        Starts starts = BrowserStarts(++startsSoFar);
        ASSERT_EQ(starts.size(), startsSoFar) << c.name;
        EXPECT_EQ(starts.back(), std::vector<std::string>({"--association", "http://10.86.1.15/"})) << c.name;
    }
}

TEST_F(WebPage, NothingHappensWithoutASelectionOrWithoutAKnownInterface)
{
    PutBoxRow({2051, "172.20.5.10", "172.20.5.10", "255.255.255.0", "172.20.5.1", "02:00:00:00:20:51"},
              Delivery::AsReceiverOn(m_link1));
    EXPECT_EQ(DoubleClick(ExpectNoWindow()), std::vector<std::string>()) << "no row selected";

    // A row whose box no scanner has heard: it has no entry in the interface map.
    PutBoxRow({2052, "172.20.5.12", "172.20.5.12", "255.255.255.0", "172.20.5.1", "02:00:00:00:20:52"});
    SelectRows(List(), {RowOf(List(), 2052)});
    EXPECT_EQ(DoubleClick(ExpectNoWindow()), std::vector<std::string>()) << "no interface known";

    EXPECT_TRUE(m_ipHelper.added.empty());
    EXPECT_EQ(BrowserStarts(0, 1500), Starts());
}

struct SubnetCase {
    const char* name;
    bool onLink1;  // else link 2
    const char* network;
    bool inSubnet;
};

TEST_F(WebPage, TheSubnetTestCountsOnlyAddressesOfTheGivenInterface)
{
    const SubnetCase cases[] = {
        {"link 1, its network", true, "10.86.1.0", true},
        {"link 2, its network", false, "10.86.2.0", true},
        {"link 1, the network of link 2", true, "10.86.2.0", false},
        {"link 2, the network of link 1", false, "10.86.1.0", false},
        {"link 1, a network no one has", true, "172.20.5.0", false},
        {"link 1, its address unmasked", true, "10.86.1.1", false},
    };
    for (const SubnetCase& c : cases)
        EXPECT_EQ(IsInLocalSubnet(c.onLink1 ? m_link1 : m_link2, Ipv4FromText(c.network)), c.inSubnet) << c.name;
    EXPECT_FALSE(IsInLocalSubnet(0xFFFFu, Ipv4FromText("10.86.1.0"))) << "an interface that does not exist";
}

TEST(WebPageAlias, NetmaskMustBeContiguousFromSlash8ToSlash30)
{
    const NetmaskCase cases[] = {
        {"255.0.0.0", true},        {"255.255.0.0", true},       {"255.255.128.0", true},
        {"255.255.255.0", true},    {"255.255.255.252", true},   {"254.0.0.0", false},
        {"128.0.0.0", false},       {"0.0.0.0", false},          {"255.255.255.254", false},
        {"255.255.255.255", false}, {"255.0.255.0", false},      {"255.255.255.253", false},
        {"0.255.255.255", false},   {"255.255.254.255", false},
    };
    for (const NetmaskCase& c : cases)
        EXPECT_EQ(IsAliasNetmask(Ipv4FromText(c.netmask)), c.aliasAdded) << c.netmask;
}

struct AliasCase {
    const char* device;
    const char* netmask;
    const char* alias;  // "0.0.0.0": the subnet has no other host address
};

// The alias is a host address of the box's subnet next to the box's: one above, or one below
// where one above would be the broadcast address or lie outside the subnet.
TEST(WebPageAlias, IsAHostAddressOfTheBoxsSubnetNextToTheBox)
{
    const AliasCase cases[] = {
        {"192.168.1.20", "255.255.255.0", "192.168.1.21"},
        {"192.168.1.254", "255.255.255.0", "192.168.1.253"},  // .255 is the broadcast address
        {"192.168.1.255", "255.255.255.0", "192.168.1.254"},  // not 192.168.2.0, another subnet
        {"192.168.1.1", "255.255.255.0", "192.168.1.2"},
        {"192.168.1.0", "255.255.255.0", "192.168.1.1"},      // never the network address
        {"10.0.0.20", "255.0.0.0", "10.0.0.21"},
        {"10.0.0.255", "255.0.0.0", "10.0.1.0"},              // a /8 host address ending in 0
        {"10.255.255.254", "255.0.0.0", "10.255.255.253"},
        {"10.0.0.1", "255.255.255.252", "10.0.0.2"},          // a /30 has the hosts .1 and .2
        {"10.0.0.2", "255.255.255.252", "10.0.0.1"},          // not .3, the broadcast address
        {"10.0.0.6", "255.255.255.252", "10.0.0.5"},
        {"10.0.0.126", "255.255.255.128", "10.0.0.125"},      // .127 is the /25's broadcast
        {"10.0.0.127", "255.255.255.128", "10.0.0.126"},      // not .128, the next /25
        {"10.0.0.128", "255.255.255.128", "10.0.0.129"},
        {"10.0.1.255", "255.255.254.0", "10.0.1.254"},        // not 10.0.2.0, outside the /23
        {"10.0.0.255", "255.255.254.0", "10.0.1.0"},          // inside the /23
        {"1.2.255.254", "255.255.0.0", "1.2.255.253"},
        {"255.255.255.254", "255.255.255.252", "255.255.255.253"},
        {"0.0.0.1", "255.255.255.252", "0.0.0.2"},
        {"10.0.0.1", "255.255.255.254", "0.0.0.0"},           // a /31: no room
        {"10.0.0.1", "255.255.255.255", "0.0.0.0"},
    };
    for (const AliasCase& c : cases) {
        const Ipv4Host alias = AliasAddressFor(Ipv4HostFromNet(Ipv4FromText(c.device)),
                                               Ipv4HostFromNet(Ipv4FromText(c.netmask)));
        EXPECT_EQ(Ipv4HostToText(alias), c.alias) << c.device << "/" << c.netmask;
    }
}

} // namespace

namespace {

// Hands the box's announcement over as the network search's receiver does: an answer to a
// probe sent to the box's own address, counted for the interface whose subnet holds it (none
// for a box across a router).
void PutBoxAsUnicastAnswer(const TestBox& box)
{
    const DeviceDatagram announcement = AnnouncementOf(box);
    std::vector<MIB_IPADDRROW> localAddresses;
    ASSERT_TRUE(ReadIpAddressTable(&localAddresses));
    const std::uint32_t interfaceIndex =
        InterfaceIndexForAddress(Ipv4NetFromHost(HostAddress(box.lanIp)), localAddresses, 0);
    {
        std::lock_guard<std::mutex> lock(ReplyLock);
        HandleUnicastAnnouncement(&announcement, DATAGRAM_SIZE, interfaceIndex, HostAddress(box.lanIp));
    }
    WaitForQueuedAnnouncements();
}

} // namespace

// A box across a router is reached through the router: no warning, no alias, its page at once.
// Once its latest announcement came by broadcast again, the local rule holds once more.
TEST_F(WebPage, ABoxAcrossARouterOpensAtOnceWithoutWarningOrAlias)
{
    const TestBox routedBox = {2101, "172.30.1.10", "172.30.1.10", "255.255.255.0", "172.30.1.1", "02:00:00:00:21:01"};
    PutBoxAsUnicastAnswer(routedBox);
    ASSERT_GE(RowOf(List(), routedBox.id), 0);
    SelectRows(List(), {RowOf(List(), routedBox.id)});
    EXPECT_EQ(DoubleClick(ExpectNoWindow()), std::vector<std::string>());
    EXPECT_EQ(BrowserStarts(1), Starts({{"http://172.30.1.10/"}}));
    EXPECT_TRUE(m_ipHelper.added.empty());
    EXPECT_TRUE(m_ipHelper.flushed.empty());

    SelectBoxHeardOn(routedBox, m_link1);
    EXPECT_EQ(DoubleClick(AnswerWarning(m_dialog->GetSafeHwnd(), IDCANCEL)), std::vector<std::string>())
        << "heard by a scanner last: the subnet warning as for any local box";

    // A box in a local subnet found by a search is a local box: its interface decides.
    const TestBox localBox = {2102, "10.86.1.16", "10.86.1.16", "255.255.255.0", "10.86.1.1", "02:00:00:00:21:02"};
    SelectBoxHeardOn(localBox, m_link1);
    PutBoxAsUnicastAnswer(localBox);
    SelectRows(List(), {RowOf(List(), localBox.id)});
    EXPECT_EQ(DoubleClick(ExpectNoWindow()), std::vector<std::string>());
    EXPECT_EQ(BrowserStarts(2), Starts({{"http://172.30.1.10/"}, {"http://10.86.1.16/"}}));
    EXPECT_TRUE(m_ipHelper.added.empty());
}
