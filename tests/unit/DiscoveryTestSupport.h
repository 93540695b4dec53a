// What the discovery and main-window tests share: the test LAN switch, the one main dialog of
// the test process, a window-thread message pump, the box simulator's control channel and
// readers of the device table.
#pragma once

#include "app/OrvaneDlg.h"
#include "discovery/DeviceDatagram.h"
#include "discovery/NetSocket.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// True inside the test LAN's PC namespace (ORVANE_TEST_LAN=1). The main dialog starts scanners
// that broadcast from every local address, so no test may create it anywhere else.
bool OnTestLan();

#define SKIP_UNLESS_TEST_LAN()                                                                     \
    do {                                                                                           \
        if (!OnTestLan())                                                                          \
            GTEST_SKIP() << "needs the test LAN (ORVANE_TEST_LAN=1 inside its PC namespace)";     \
    } while (0)

// The local address the tests send from and talk to (ORVANE_PC_ADDR, default 10.86.1.1).
std::string PcAddress();

// The main dialog of this test process, created modeless on the calling thread (the test's
// main thread, which then is its window thread) the first time it is asked for, and made the
// g_mainDialog that announcements go to. It is never destroyed: its scanner and watcher threads
// use it until the process ends.
COrvaneDlg& MainDialog();
// True once MainDialog() has created the dialog.
bool MainDialogExists();

// Runs the calling thread's message loop, which also carries out messages other threads send to
// its windows, until done() holds or the time is up. Returns done().
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
void PumpFor(DWORD ms);
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

// The box simulator's control channel (ORVANE_BOXSIM host:port): one command line out, the
// answer lines back up to and without the closing "OK"; ok is false on "ERR ..." or no answer.
class BoxSim {
public:
    BoxSim();
    ~BoxSim();
    BoxSim(const BoxSim&) = delete;
    BoxSim& operator=(const BoxSim&) = delete;

    bool Connected() const { return m_socket.IsValid(); }
    std::vector<std::string> Command(const std::string& line, bool* ok = nullptr);
    // Forgets every box and the log.
    bool Reset();
    // The logged RX lines ("RX a.b.c.d:port len=N type=T hex=...").
    std::vector<std::string> ReceivedLines();

private:
    NetSocket m_socket;
    std::string m_pending;
};

// Resets the box simulator when there is one, so that no announcement but the test's own reaches
// the dialog. Returns false when ORVANE_BOXSIM names a simulator that does not answer.
bool QuietLan();
