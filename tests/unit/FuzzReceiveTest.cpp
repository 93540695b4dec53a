// Bad input through the whole receive path: random datagrams sent with a real socket to the
// real socket of one of the main dialog's scanners.
#include "tests/unit/DiscoveryTestSupport.h"

#include "discovery/BoardType.h"
#include "discovery/Ipv4Text.h"
#include "framework/TextCodec.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <map>
#include <random>
#include <set>
#include <thread>

namespace {

constexpr int kDatagrams = 100000;
constexpr int kPerBatch = 100;  // then a marker, so the socket never holds more than it can
constexpr DeviceId kMarkerBase = 2147000000;  // marker k is box kMarkerBase + k
// Well within ctest's 600 s per test: past it the sender stops and the test fails.
constexpr DWORD kTimeLimitMs = 300000;

bool IsMarker(DeviceId id)
{
    return id >= kMarkerBase && id < kMarkerBase + kDatagrams;
}

bool IsValid(const std::vector<unsigned char>& bytes)
{
    static const unsigned char announce[4] = {0x65, 0, 0, 0};
    return bytes.size() == 184 && std::memcmp(bytes.data(), announce, 4) == 0;
}

// One random datagram: 85 in 100 are invalid in one way or another, the others valid
// announcements with random bodies (3 new boxes, 12 boxes already seen).
std::vector<unsigned char> RandomDatagram(std::mt19937& random, const std::vector<DeviceId>& knownIds)
{
    auto randomBytes = [&](size_t length) {
        std::vector<unsigned char> bytes(length);
        for (unsigned char& byte : bytes)
            byte = (unsigned char)random();
        return bytes;
    };
    auto setType = [](std::vector<unsigned char>& bytes, std::uint32_t type) {
        if (bytes.size() >= 4)
            std::memcpy(bytes.data(), &type, 4);
    };
    int kind = (int)(random() % 100);
    std::vector<unsigned char> bytes;
    if (kind < 40) {  // any length 0..3000, any type
        bytes = randomBytes(random() % 3001);
    } else if (kind < 70) {  // right length, wrong type
        bytes = randomBytes(184);
        const std::uint32_t types[] = {MSG_PROBE, MSG_SET_NETWORK, 0x01000065u, 0x65000000u, 0, 0xFFFFFFFFu,
                                       (std::uint32_t)random()};
        std::uint32_t type = types[random() % 7];
        setType(bytes, type == MSG_ANNOUNCE ? 0 : type);
    } else if (kind < 85) {  // announcement type, wrong length
        const size_t lengths[] = {0, 4, 100, 183, 185, 188, 368, 2048, 2049, 3000};
        bytes = randomBytes(lengths[random() % 10]);
        setType(bytes, MSG_ANNOUNCE);
    } else {  // a valid announcement with a random body
        bytes = randomBytes(184);
        setType(bytes, MSG_ANNOUNCE);
        if (kind >= 88 && !knownIds.empty()) {
            DeviceId id = knownIds[random() % knownIds.size()];
            std::memcpy(bytes.data() + 4, &id, 4);
        }
    }
    if (bytes.size() >= 8) {
        DeviceId id;
        std::memcpy(&id, bytes.data() + 4, 4);
        if (IsMarker(id))
            bytes[7] ^= 0x80;
    }
    return bytes;
}

std::wstring CellText(std::uint32_t host)
{
    return NarrowToWide(Ipv4HostToText(host));
}

} // namespace

class FuzzReceive : public MainDialogTest {};

TEST_F(FuzzReceive, RandomDatagramsMakeNoRowAndTheWindowKeepsAnswering)
{
    COrvaneDlg& dialog = MainDialog();
    const CListCtrl& list = dialog.DeviceListCtrl();

    // The scanner bound to the test's address, and a socket of the test's own on that address.
    const std::string pcAddress = PcAddress();
    sockaddr_in target = {};
    for (find_devices* scanner : dialog.m_scanners) {
        sockaddr_in local = {};
        int length = sizeof local;
        if (scanner->IsRunning() && ::getsockname(scanner->Socket(), (sockaddr*)&local, &length) == 0 &&
            Ipv4ToText(local.sin_addr.s_addr) == pcAddress)
            target = local;
    }
    ASSERT_NE(target.sin_port, 0) << "no scanner on " << pcAddress;
    NetSocket sender;
    ASSERT_TRUE(sender.BindLocal(pcAddress.c_str()));

    // Latest valid announcement per box, as the rows must show it.
    std::map<DeviceId, std::vector<unsigned char>> expected;
    std::set<DeviceId> invalidIds;
    std::atomic<int> unanswered{0};
    std::atomic<int> sendFailures{0};
    std::atomic<int> lostMarkers{0};
    std::atomic<DWORD> slowestAnswerMs{0};
    std::atomic<bool> finished{false};
    int markers = 0;

    std::thread watchdog([&] {
        while (!finished) {
            DWORD_PTR result = 0;
            ULONGLONG start = ::GetTickCount64();
            if (!::SendMessageTimeoutW(dialog.GetSafeHwnd(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result))
                ++unanswered;
            DWORD took = (DWORD)(::GetTickCount64() - start);
            if (took > slowestAnswerMs)
                slowestAnswerMs = took;
            ::Sleep(20);
        }
    });

    // The receiver records a box's interface before its row is written: once a marker's entry
    // exists, everything sent before the marker has been handled.
    auto markerHandled = [&](int batch) {
        std::uint32_t index = 0;
        return LookUpDeviceInterface(kMarkerBase + batch, &index);
    };
    auto send = [&](const void* bytes, size_t length) {
        if (::sendto(sender.Handle(), (const char*)bytes, (int)length, 0, (const sockaddr*)&target, sizeof target) !=
            (int)length)
            ++sendFailures;
    };

    std::atomic<bool> overTime{false};
    const ULONGLONG started = ::GetTickCount64();
    bool inTime = RunOnWorkerWhilePumping(
        [&] {
            const ULONGLONG stopAt = ::GetTickCount64() + kTimeLimitMs;
            std::mt19937 random(20240617);
            std::vector<DeviceId> knownIds;
            for (int sent = 0, batch = 1; sent < kDatagrams; ++batch) {
                if (::GetTickCount64() > stopAt) {
                    overTime = true;
                    return;
                }
                for (int i = 0; i < kPerBatch && sent < kDatagrams; ++i, ++sent) {
                    std::vector<unsigned char> bytes = RandomDatagram(random, knownIds);
                    DeviceId id = 0;
                    if (bytes.size() >= 8)
                        std::memcpy(&id, bytes.data() + 4, 4);
                    if (IsValid(bytes)) {
                        if (!expected.count(id))
                            knownIds.push_back(id);
                        expected[id] = bytes;
                    } else if (bytes.size() >= 8) {
                        invalidIds.insert(id);
                    }
                    send(bytes.data(), bytes.size());
                }
                // A marker, a new box of its own, follows each batch through the same socket.
                DeviceDatagram markerDatagram = MakeAnnouncementDatagram(AnnouncedBoxForId(kMarkerBase + batch));
                send(&markerDatagram, sizeof markerDatagram);
                ++markers;
                ULONGLONG deadline = ::GetTickCount64() + 10000;
                while (!markerHandled(batch)) {
                    if (::GetTickCount64() > deadline) {
                        ++lostMarkers;
                        send(&markerDatagram, sizeof markerDatagram);
                        deadline = ::GetTickCount64() + 10000;
                        if (lostMarkers > 3)
                            return;  // the receiver no longer takes datagrams
                    }
                    ::Sleep(1);
                }
            }
        },
        kTimeLimitMs);
    const ULONGLONG sendingTook = ::GetTickCount64() - started;
    finished = true;
    watchdog.join();

    EXPECT_TRUE(inTime);
    EXPECT_FALSE(overTime.load()) << "the datagrams were not all handled within " << kTimeLimitMs << " ms";
    EXPECT_EQ(sendFailures.load(), 0);
    EXPECT_EQ(lostMarkers.load(), 0) << "a marker did not arrive: the receiver stalled or dropped datagrams";
    EXPECT_EQ(unanswered.load(), 0) << "the window stopped answering";
    std::printf("[          ] slowest answer of the window during the run: %lu ms\n", slowestAnswerMs.load());
    DWORD_PTR result = 0;
    EXPECT_TRUE(::SendMessageTimeoutW(dialog.GetSafeHwnd(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result));

    // Exactly one row per box of a valid announcement and per marker, each showing its box's
    // latest announcement; invalid datagrams left no row and no interface entry.
    PumpFor(200);  // the last marker's row
    std::vector<TableRow> rows = ReadTable(list);
    EXPECT_EQ(rows.size(), expected.size() + markers);
    std::set<DeviceId> seen;
    for (const TableRow& row : rows) {
        DeviceId id = std::stoi(row.cells[COL_ID]);
        ASSERT_TRUE(seen.insert(id).second) << "two rows for " << id;
        if (IsMarker(id))
            continue;
        auto found = expected.find(id);
        ASSERT_NE(found, expected.end()) << "row " << id << " comes from no valid datagram";
        DeviceDatagram announcement;
        std::memcpy(&announcement, found->second.data(), sizeof announcement);
        EXPECT_EQ(row.cells[COL_LAN_IP], NarrowToWide(pcAddress));
        EXPECT_EQ(row.cells[COL_LAN_STATIC_IP], CellText(announcement.lanStaticIp));
        EXPECT_EQ(row.cells[COL_LAN_NETMASK], CellText(announcement.lanNetmask));
        EXPECT_EQ(row.cells[COL_LAN_GATEWAY], CellText(announcement.lanGateway));
        EXPECT_EQ(row.cells[COL_DESCRIPTION], BoardTypeLabel(announcement.boardType));
        EXPECT_EQ(row.cells[COL_RECORD], L"Off");
    }
    int strayEntries = 0;
    for (DeviceId id : invalidIds) {
        std::uint32_t index = 0;
        if (!expected.count(id) && LookUpDeviceInterface(id, &index))
            ++strayEntries;
    }
    EXPECT_EQ(strayEntries, 0) << "invalid datagrams reached the interface map";
    std::printf("[          ] %d datagrams and %d markers, %zu boxes from valid ones, sent and handled in %llu ms\n",
                kDatagrams, markers, expected.size(), (unsigned long long)(sendingTook));
}
