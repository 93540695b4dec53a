// Discovery end to end on the test LAN: the real scanners of the main dialog (and scanners the
// test starts itself) against the box simulator in the BOX namespace.
#include "tests/unit/DiscoveryTestSupport.h"

#include "discovery/BoardType.h"
#include "discovery/Ipv4Text.h"
#include "framework/TextCodec.h"

#include <iphlpapi.h>

#include <gtest/gtest.h>

#include <ctime>
#include <map>

namespace {

std::string LocalEndpoint(SOCKET socket)
{
    sockaddr_in local = {};
    int length = sizeof local;
    if (::getsockname(socket, reinterpret_cast<sockaddr*>(&local), &length) != 0)
        return "";
    return Ipv4ToText(local.sin_addr.s_addr) + ":" + std::to_string(::ntohs(local.sin_port));
}

const char* const kLink1 = TEST_LAN_PC_ADDRESSES[0].address;
const char* const kLink2 = TEST_LAN_PC_ADDRESSES[1].address;

// The tests create the dialog themselves: the first one watches its first probes.
class DiscoveryLanTest : public MainDialogTest {
protected:
    DiscoveryLanTest() : MainDialogTest(Start::DIALOG_LATER) {}

    void SetUp() override
    {
        MainDialogTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ASSERT_TRUE(m_boxsim.Connected()) << "no box simulator at ORVANE_BOXSIM";
    }

    // The probes the simulator has received, by sending endpoint.
    std::map<std::string, std::vector<ReceivedDatagram>> ProbesBySender()
    {
        std::map<std::string, std::vector<ReceivedDatagram>> probes;
        for (const std::string& line : m_boxsim.ReceivedLines()) {
            ReceivedDatagram datagram = ParseReceivedLine(line);
            if (datagram.type == "100")
                probes[datagram.endpoint].push_back(datagram);
        }
        return probes;
    }

    // The endpoint of the dialog's scanner bound to this address.
    std::string ScannerEndpoint(const std::string& address)
    {
        for (find_devices* scanner : MainDialog().m_scanners) {
            std::string endpoint = LocalEndpoint(scanner->Socket());
            if (endpoint.compare(0, address.size() + 1, address + ":") == 0)
                return endpoint;
        }
        return "";
    }

    BoxSim m_boxsim;
};

} // namespace

// Each scanner's first probe leaves as soon as the dialog starts scanning, the next one 10 s
// later; each is the four bytes 64 00 00 00 and 180 zero bytes, sent from the scanner's socket.
TEST_F(DiscoveryLanTest, ProbesLeaveAtOnceThenEveryTenSecondsByteExact)
{
    const bool fresh = !MainDialogExists();
    const ULONGLONG created = ::GetTickCount64();
    MainDialog();
    const std::string senders[] = {ScannerEndpoint(kLink1), ScannerEndpoint(kLink2)};
    ASSERT_NE(senders[0], "");
    ASSERT_NE(senders[1], "");

    std::map<std::string, ULONGLONG> firstSeen, secondSeen;
    PumpUntil(
        [&] {
            auto probes = ProbesBySender();
            for (const std::string& sender : senders) {
                size_t count = probes[sender].size();
                if (count >= 1 && !firstSeen.count(sender))
                    firstSeen[sender] = ::GetTickCount64();
                if (count >= 2 && !secondSeen.count(sender))
                    secondSeen[sender] = ::GetTickCount64();
            }
            return secondSeen.size() == 2;
        },
        25000);

    const std::string probeHex = "64" + std::string(183 * 2, '0');
    auto probes = ProbesBySender();
    for (const std::string& sender : senders) {
        SCOPED_TRACE(sender);
        ASSERT_GE(probes[sender].size(), 2u);
        for (const ReceivedDatagram& probe : probes[sender]) {
            EXPECT_EQ(probe.length, "184");
            EXPECT_EQ(probe.hex, probeHex);
        }
        if (fresh) {
            EXPECT_LT(firstSeen[sender] - created, 2000u) << "the first probe did not leave at once";
        }
        // One probe per 10 s: the second follows the first by about 10 s (polled every few ms).
        ULONGLONG gap = secondSeen[sender] - firstSeen[sender];
        EXPECT_GT(gap, 9000u);
        EXPECT_LT(gap, 11500u);
    }
    // The scanners send nothing but probes.
    for (const std::string& line : m_boxsim.ReceivedLines()) {
        ReceivedDatagram datagram = ParseReceivedLine(line);
        if (datagram.endpoint == senders[0] || datagram.endpoint == senders[1]) {
            EXPECT_EQ(datagram.type, "100") << line;
        }
    }
}

// Boxes of the simulator answer the dialog's own scanners and show with their own values; the
// Lan IP is the address each box answered from.
TEST_F(DiscoveryLanTest, RowsShowTheSimulatorsBoxes)
{
    struct Box {
        const char* fields;  // the simulator's ADD syntax
        const wchar_t* id;
        const wchar_t* lanIp;
        const wchar_t* staticIp;
        const wchar_t* netmask;
        const wchar_t* gateway;
        const wchar_t* mac;
        std::uint32_t board;
    };
    const Box boxes[] = {
        {"id=3101,ip=10.86.1.11,static=192.168.7.50,mask=255.255.0.0,gw=192.168.7.1,mac=00:1a:2b:3c:4d:5e,board=1302",
         L"3101", L"10.86.1.11", L"192.168.7.50", L"255.255.0.0", L"192.168.7.1", L"00:1a:2b:3c:4d:5e", 1302},
        {"id=-5,ip=10.86.2.10,static=10.86.2.10,mask=255.255.255.0,gw=0.0.0.0,mac=02:00:00:ff:ff:fb,board=0",
         L"-5", L"10.86.2.10", L"10.86.2.10", L"255.255.255.0", L"0.0.0.0", L"02:00:00:ff:ff:fb", 0},
        {"id=3103,ip=172.20.5.10,static=172.20.5.10,mask=255.255.255.0,gw=172.20.5.1,mac=0a:0b:0c:0d:0e:0f,"
         "board=5000",
         L"3103", L"172.20.5.10", L"172.20.5.10", L"255.255.255.0", L"172.20.5.1", L"0a:0b:0c:0d:0e:0f", 5000},
    };
    for (const Box& box : boxes) {
        bool ok = false;
        m_boxsim.Command(std::string("ADD ") + box.fields, &ok);
        ASSERT_TRUE(ok) << box.fields;
    }
    const std::time_t start = std::time(nullptr);
    if (MainDialogExists())
        EmptyTable();  // the next probe round (at most 10 s away) fills it again
    const CListCtrl& list = MainDialog().DeviceListCtrl();
    ASSERT_TRUE(PumpUntil([&] { return list.GetItemCount() >= 3; }, 15000))
        << "rows: " << list.GetItemCount();
    PumpFor(300);  // the other scanner's answers refresh the same rows
    const std::time_t end = std::time(nullptr);

    std::vector<TableRow> rows = ReadTable(list);
    ASSERT_EQ(rows.size(), 3u);
    const std::uint32_t link1 = InterfaceIndexOf(kLink1), link2 = InterfaceIndexOf(kLink2);
    ASSERT_NE(link1, 0u) << kLink1 << " is not a local address";
    ASSERT_NE(link2, 0u) << kLink2 << " is not a local address";
    for (const Box& box : boxes) {
        SCOPED_TRACE(box.fields);
        int row = RowOf(list, std::stoi(box.id));
        ASSERT_GE(row, 0);
        const TableRow& cells = rows[row];
        EXPECT_EQ(cells.cells[COL_LAN_IP], box.lanIp);
        EXPECT_EQ(cells.cells[COL_LAN_STATIC_IP], box.staticIp);
        EXPECT_EQ(cells.cells[COL_LAN_NETMASK], box.netmask);
        EXPECT_EQ(cells.cells[COL_LAN_GATEWAY], box.gateway);
        EXPECT_EQ(cells.cells[COL_LAN_MAC], box.mac);
        EXPECT_EQ(cells.cells[COL_DESCRIPTION], BoardTypeLabel(box.board));
        EXPECT_EQ(cells.cells[COL_RECORD], L"Off");
        bool timeFits = false;
        for (std::time_t t = start - 1; t <= end; ++t)
            timeFits = timeFits || cells.cells[COL_ACTIVE_TIME] == NarrowToWide(FormatLocalTime((std::uint32_t)t));
        EXPECT_TRUE(timeFits) << "Active Time " << WideToNarrow(cells.cells[COL_ACTIVE_TIME]);
        ASSERT_NE(cells.tag, nullptr);
        EXPECT_EQ(cells.tag->deviceId, std::stoi(box.id));
        std::uint32_t index = 0;
        ASSERT_TRUE(LookUpDeviceInterface(std::stoi(box.id), &index));
        EXPECT_TRUE(index == link1 || index == link2) << index;
    }
}

// The interface map names the interface of the local address whose scanner heard the box:
// link 1's index for an answer to a scanner on 10.86.1.1, link 2's for one on 10.86.2.1.
TEST_F(DiscoveryLanTest, InterfaceMapNamesTheInterfaceThatHeardTheBox)
{
    MainDialog();
    MIB_IPADDRROW rows[2];
    ASSERT_TRUE(FindLocalAddress(kLink1, &rows[0]));
    ASSERT_TRUE(FindLocalAddress(kLink2, &rows[1]));
    ASSERT_NE(rows[0].dwIndex, rows[1].dwIndex) << "the two links share an interface index";

    const DeviceId id = 3201;
    DeviceDatagram announcement = MakeAnnouncementDatagram(AnnouncedBoxForId(id));
    const std::string hex = Hex(&announcement, DATAGRAM_SIZE);
    const CListCtrl& list = MainDialog().DeviceListCtrl();
    for (int round = 0; round < 4; ++round) {
        const MIB_IPADDRROW& local = rows[round % 2];
        SCOPED_TRACE(Ipv4ToText(local.dwAddr));
        // A scanner of the test's own: its first probe leaves at once and makes it the
        // simulator's latest prober, to which SEND answers.
        std::string reply, expected;
        for (int attempt = 0; attempt < 3; ++attempt) {
            find_devices* scanner = new find_devices;  // scanners live until the process ends
            scanner->Start(local.dwAddr, local.dwIndex);
            ASSERT_TRUE(scanner->IsRunning());
            expected = LocalEndpoint(scanner->Socket());
            ASSERT_TRUE(PumpUntil([&] { return ProbesBySender().count(expected) != 0; }, 5000));
            bool ok = false;
            std::vector<std::string> answer = m_boxsim.Command("SEND " + hex, &ok);
            ASSERT_TRUE(ok && !answer.empty());
            reply = answer[0];
            if (reply.find(" to " + expected) != std::string::npos)
                break;  // else a dialog scanner probed in between: try again
        }
        ASSERT_NE(reply.find(" to " + expected), std::string::npos) << reply;

        std::uint32_t index = 0;
        ASSERT_TRUE(PumpUntil([&] { return LookUpDeviceInterface(id, &index) && index == local.dwIndex; }, 5000))
            << "map holds " << index;
    }
    // The interface is recorded before the row's job is queued.
    EXPECT_TRUE(PumpUntil([&] { return RowOf(list, 3201) >= 0; }, 5000));
    int rowsOfBox = 0;
    for (const TableRow& row : ReadTable(list))
        rowsOfBox += row.cells[COL_ID] == L"3201";
    EXPECT_EQ(rowsOfBox, 1);
}

// CPU time of this process (all threads), in milliseconds.
std::uint64_t ProcessCpuMs()
{
    FILETIME created, exited, kernel, user;
    if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user))
        return 0;
    auto ms = [](const FILETIME& t) { return ((std::uint64_t)t.dwHighDateTime << 32 | t.dwLowDateTime) / 10000; };
    return ms(kernel) + ms(user);
}

// A scanner whose socket breaks (closed under it here) sees every select fail at once; its
// receiver must pause between failures instead of spinning a core.
TEST_F(DiscoveryLanTest, AReceiverWhoseSelectKeepsFailingDoesNotSpin)
{
    MainDialog();
    MIB_IPADDRROW local;
    ASSERT_TRUE(FindLocalAddress(PcAddress(), &local));
    find_devices* scanner = new find_devices;  // scanners live until the process ends
    scanner->Start(local.dwAddr, local.dwIndex);
    ASSERT_TRUE(scanner->IsRunning());
    PumpFor(300);
    ASSERT_EQ(::closesocket(scanner->Socket()), 0);
    PumpFor(1500);  // a select already waiting may first sit out its 1 s timeout

    constexpr DWORD kWindowMs = 3000;
    const std::uint64_t before = ProcessCpuMs();
    PumpFor(kWindowMs);
    const std::uint64_t used = ProcessCpuMs() - before;
    EXPECT_LT(used, kWindowMs / 4) << "the process used " << used << " ms of CPU in " << kWindowMs << " ms";
}

// A thousand boxes answering one probe at the same moment all get their rows from that one
// probe: the scanner's socket holds their answers while the window thread works through them.
TEST_F(DiscoveryLanTest, AThousandBoxesAnsweringOneProbeAllShow)
{
    constexpr int kBoxes = 1000;
    constexpr DeviceId kFirstId = 800000;
    MainDialog();
    EmptyTable();
    MIB_IPADDRROW local;
    ASSERT_TRUE(FindLocalAddress(PcAddress(), &local));
    bool ok = false;
    m_boxsim.Command("FLOOD " + std::to_string(kBoxes) + " " + std::to_string(kFirstId) + " NEXT", &ok);
    ASSERT_TRUE(ok);
    // A scanner of the test's own sends the next probe at once; the flood answers it.
    find_devices* scanner = new find_devices;  // scanners live until the process ends
    scanner->Start(local.dwAddr, local.dwIndex);
    ASSERT_TRUE(scanner->IsRunning());

    const CListCtrl& list = MainDialog().DeviceListCtrl();
    EXPECT_TRUE(PumpUntil([&] { return list.GetItemCount() >= kBoxes; }, 30000))
        << list.GetItemCount() << " of " << kBoxes << " boxes shown: answers were lost in the socket";
    std::vector<TableRow> rows = ReadTable(list);
    std::vector<bool> seen(kBoxes, false);
    for (const TableRow& row : rows) {
        int k = std::stoi(row.cells[COL_ID]) - kFirstId;
        ASSERT_TRUE(k >= 0 && k < kBoxes) << WideToNarrow(row.cells[COL_ID]);
        EXPECT_FALSE(seen[k]) << "two rows for box " << kFirstId + k;
        seen[k] = true;
    }
}
