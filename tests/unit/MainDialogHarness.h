// What every test and benchmark of the real main dialog shares: the one main dialog of the
// process (only on the test LAN, tests/unit/TestLan.h), the window thread's message pump, its
// controls, the local address table, announcements as a receiver hands them over, and the box simulator's control channel and log. Free of gtest, so the benchmarks
// use it too.
#pragma once

#include "app/OrvaneDlg.h"
#include "discovery/AnnouncedBox.h"
#include "discovery/NetSocket.h"
#include "tests/unit/TestLan.h"

#include <iphlpapi.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

// The main dialog of this process, created modeless on the calling thread (the main thread,
// which then is its window thread) the first time it is asked for. It is never destroyed: its
// scanner, watcher and recorder threads use it until the process ends. g_mainDialog is pointed
// at it on every call. Outside the test LAN it refuses: it says so and ends the process, since
// its scanners would broadcast from every local address of the machine. A dialog that cannot
// be created ends the process with a message too.
COrvaneDlg& MainDialog();
// True once MainDialog() has created the dialog.
bool MainDialogExists();

// Runs the calling thread's message loop, which also carries out messages other threads send to
// its windows, until done() holds or the time is up (INFINITE: no limit). Returns done().
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
void PumpFor(DWORD ms);
// Pumps until every announcement queued for the main dialog so far is in its table (the
// receivers' jobs wait in a queue for the window thread); false when that took too long.
bool WaitForQueuedAnnouncements(DWORD timeoutMs = 30000);

// Readers of the device table's list; call on the list's own thread.
// Column-0 ids of the rows from top to bottom.
std::vector<DeviceId> RowIds(const CListCtrl& list);
// The index of the row whose column 0 shows this id, or -1.
int RowOf(const CListCtrl& list, DeviceId id);
// The row's RowTag (its item data); null for a row without one.
RowTag* TagOfRow(const CListCtrl& list, int row);

// Selects exactly the given rows (none for an empty list).
void SelectRows(const CListCtrl& list, std::initializer_list<int> rows);
std::wstring ControlText(const COrvaneDlg& dialog, int id);
// A real click on a button of the main dialog, on the window thread.
void ClickButton(const COrvaneDlg& dialog, int id);

// The IP address table row of a local address (dotted text); false when no local address matches.
bool FindLocalAddress(const std::string& dotted, MIB_IPADDRROW* found);
// The interface index (dwIndex) of a local address (dotted text), or 0 when no local address
// matches (the platform gives no interface index 0).
std::uint32_t InterfaceIndexOf(const std::string& dotted);

// a.b.c.d -> a<<24 | b<<16 | c<<8 | d.
Ipv4Host HostAddress(const std::string& dotted);
// The bytes as lower-case hex digits, two per byte (the box simulator's SEND and log form).
std::string Hex(const void* bytes, int length);

// What a scanner's receiver does with a datagram of length bytes: copies it into a 2048-byte
// receive buffer and hands it to HandleAnnouncement under ReplyLock. Never waits for the
// window thread, so any thread may call it.
void HandleLikeAReceiver(const void* bytes, int length, std::uint32_t interfaceIndex, Ipv4Host source);

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
    // The logged RX lines ("RX a.b.c.d:port len=N type=T hex=..."); ParseReceivedLine reads one.
    std::vector<std::string> ReceivedLines();

private:
    NetSocket m_socket;
    std::string m_pending;
};

// One datagram the box simulator logged: "RX 10.86.1.1:40497 len=184 type=100 hex=6400...".
// Each part is the line's own text; a part the line lacks is empty (type is "-" for a datagram
// shorter than four bytes, hex is empty for an empty one).
struct ReceivedDatagram {
    std::string source;    // "10.86.1.1"
    std::string endpoint;  // "10.86.1.1:40497"
    std::string length;    // "184"
    std::string type;      // "100"
    std::string hex;
};
ReceivedDatagram ParseReceivedLine(const std::string& line);

// One command to the box simulator on a connection of its own; the answer's lines come back
// without the final OK. False on ERR or when it cannot be reached.
bool BoxSimCommand(const std::string& line, std::vector<std::string>* answer = nullptr);
// LOG RX lines of datagrams of the given message type.
std::vector<std::string> BoxSimReceived(std::uint32_t msgType);

// Resets the box simulator when there is one, so that no announcement but the test's own reaches
// the dialog. Returns false when ORVANE_BOXSIM names a simulator that does not answer.
bool QuietLan();
