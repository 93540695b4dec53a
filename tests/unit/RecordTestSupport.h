// What the recording tests share besides the main dialog's fixture, rows and message-box
// driver: the box a recording is made from, its row's selection and buttons, a scripted HTTP
// peer, and checks of recording files.
#pragma once

#include "tests/unit/BoxRows.h"
#include "tests/unit/DialogDriver.h"
#include "tests/unit/MainDialogFixture.h"

#include <winsock2.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace recordtest {

// A box whose stream the recorder fetches from host (its static address, or a host name).
TestBox StreamBox(DeviceId id, const std::string& host);
// Selects only this row (-1: none) and waits until the selection watcher has seen it (a test
// failure when it does not).
void SelectOnly(int row);
void ClickRecord();
void ClickRecordFiles();

struct RowView {
    std::wstring record;  // column 8
    int state = 0;        // RowTag state
};
RowView ReadRow(DeviceId id);

// Waits until the box's recording has ended: flag cleared, row idle with "Off".
bool WaitRecordingOff(DeviceId id, int timeoutMs);

// The open shortcut menu of this process, or null.
HWND VisibleMenu();
// Waits (on a helper thread: the window thread is inside the menu) until a menu is open.
bool WaitForVisibleMenu(int timeoutMs);

// One accepted connection of a ScriptedPeer.
class PeerConnection {
public:
    explicit PeerConnection(SOCKET socket) : m_socket(socket) {}
    // Reads the request: up to and including its empty line.
    std::string ReadRequest();
    bool Send(const std::string& bytes);
    // The body pattern from the given offset on; false once the client has gone.
    bool SendPattern(std::uint64_t offset, std::size_t count);
    // Endless pattern at about bytesPerSecond until the client closes.
    void SendPatternUntilClosed(std::uint64_t bytesPerSecond);
    // Keeps the connection open and silent until the client closes or the time is up.
    bool WaitForClientClose(int timeoutMs);
    void Close();

private:
    SOCKET m_socket;
};

// A small HTTP server in the test process: the k-th connection it accepts runs scripts[k]
// (the last script for any further ones) on a thread of its own.
class ScriptedPeer {
public:
    using Script = std::function<void(PeerConnection&)>;
    ScriptedPeer(const std::string& address, int port, std::vector<Script> scripts);
    ~ScriptedPeer();
    bool Listening() const { return m_listener != INVALID_SOCKET; }
    int Accepted() const { return m_accepted; }
    // The requests received so far, in order of connection.
    std::vector<std::string> Requests();
    // Pumps until every accepted connection's script has finished.
    bool WaitAllDone(int count, int timeoutMs);

private:
    void AcceptLoop();
    SOCKET m_listener = INVALID_SOCKET;
    std::vector<Script> m_scripts;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_accepted{0};
    std::atomic<int> m_done{0};
    std::mutex m_lock;
    std::vector<std::string> m_requests;
    std::vector<std::thread> m_connections;
    std::thread m_acceptor;
};

// The body every scripted peer sends: 188-byte packets that begin with 0x47 and carry a
// counter, so that any byte's offset in the body can be checked.
char PatternByte(std::uint64_t offset);

std::int64_t FileSize(const std::string& path);  // -1 when missing
std::vector<unsigned char> ReadWholeFile(const std::string& path);
// True when nothing holds the file open (an exclusive open succeeds).
bool IsFileClosed(const std::string& path);
// The first offset where the file differs from the body pattern, or -1.
std::int64_t FirstPatternMismatch(const std::vector<unsigned char>& bytes);
// The first 188-byte packet whose first byte is not 0x47, or -1.
std::int64_t FirstMissingSyncByte(const std::vector<unsigned char>& bytes);

} // namespace recordtest
