// What the discovery and main-window tests share beyond the main dialog harness: a test LAN
// skip, workers run while the window thread pumps, readers of the device table and
// announcements in the wire layout.
#pragma once

#include "tests/unit/MainDialogHarness.h"
#include "discovery/DeviceDatagram.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#define SKIP_UNLESS_TEST_LAN()                                                                     \
    do {                                                                                           \
        if (!OnTestLan())                                                                          \
            GTEST_SKIP() << "needs the test LAN (ORVANE_TEST_LAN=1 inside its PC namespace)";     \
    } while (0)

// The local address the tests send from and talk to (ORVANE_PC_ADDR, default 10.86.1.1).
std::string PcAddress();

// Runs work on a thread of its own while this thread pumps messages, as the window thread does
// while scanners run. Always waits for the work to end; false when it took longer than timeoutMs.
bool RunOnWorkerWhilePumping(const std::function<void()>& work, DWORD timeoutMs);

// What a scanner's receiver does with a datagram of length bytes: copies it into a 2048-byte
// receive buffer and hands it to HandleAnnouncement under ReplyLock. Any thread but the window's.
void HandleLikeAReceiver(const void* bytes, int length, std::uint32_t interfaceIndex, Ipv4Host source);

// Deletes every row of the device table, as Clear does with no box recorded (window thread).
void EmptyDeviceTable();

// One row of the device table as the list-view holds it.
struct TableRow {
    RowTag* tag = nullptr;  // the row's item data
    std::wstring cells[DEVICE_COLUMN_COUNT];
};
// Every row from the top; call on the list's own thread.
std::vector<TableRow> ReadTable(const CListCtrl& list);
// The index of the first row whose column 0 reads as this id, or -1.
int FindRowById(const std::vector<TableRow>& rows, DeviceId id);

// A box's announcement in the wire layout.
struct BoxValues {
    DeviceId id = 0;
    Ipv4Host staticIp = 0;
    Ipv4Host netmask = 0;
    Ipv4Host gateway = 0;
    std::uint8_t mac[6] = {};
    std::uint32_t boardType = 0;
};
DeviceDatagram MakeAnnouncementDatagram(const BoxValues& box);
// Values derived from the id alone, so that a row's cells tell which box wrote them.
BoxValues BoxValuesForId(DeviceId id);

Ipv4Host HostAddress(const char* dotted);
std::wstring Wide(const std::string& text);
std::string Hex(const void* bytes, int length);

// The interface index (dwIndex) of a local address in the IP address table, or -1.
long long InterfaceIndexOf(const std::string& dotted);

// Resets the box simulator when there is one, so that no announcement but the test's own reaches
// the dialog. Returns false when ORVANE_BOXSIM names a simulator that does not answer.
bool QuietLan();
