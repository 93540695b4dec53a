// What every test and benchmark of the real main dialog shares: the test LAN switch, the one
// main dialog of the process, the window thread's message pump, the local address table and
// the box simulator's control channel. Free of gtest, so the benchmarks use it too.
#pragma once

#include "app/OrvaneDlg.h"
#include "discovery/NetSocket.h"

#include <iphlpapi.h>

#include <functional>
#include <string>
#include <vector>

// True inside the test LAN's PC namespace (ORVANE_TEST_LAN=1). The main dialog starts scanners
// that broadcast from every local address, so nothing may create it anywhere else.
bool OnTestLan();

// The main dialog of this process, created modeless on the calling thread (the main thread,
// which then is its window thread) the first time it is asked for. It is never destroyed: its
// scanner, watcher and recorder threads use it until the process ends. g_mainDialog is pointed
// at it on every call. A dialog that cannot be created ends the process with a message.
COrvaneDlg& MainDialog();
// True once MainDialog() has created the dialog.
bool MainDialogExists();

// Runs the calling thread's message loop, which also carries out messages other threads send to
// its windows, until done() holds or the time is up (INFINITE: no limit). Returns done().
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
void PumpFor(DWORD ms);

// The IP address table row of a local address (dotted text); false when no local address matches.
bool FindLocalAddress(const std::string& dotted, MIB_IPADDRROW* found);

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
