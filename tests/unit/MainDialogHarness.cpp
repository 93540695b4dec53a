#include "tests/unit/MainDialogHarness.h"

#include "discovery/AddressTable.h"
#include "discovery/Ipv4Text.h"

#include <commctrl.h>
#include <ws2tcpip.h>

#include <cstdio>
#include <cstdlib>

namespace {

COrvaneDlg* g_testDialog = nullptr;

std::string EnvText(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

// A TCP connection to the simulator's control port, or INVALID_SOCKET.
SOCKET ConnectToBoxSim()
{
    std::string endpoint = EnvText("ORVANE_BOXSIM");
    size_t colon = endpoint.rfind(':');
    if (colon == std::string::npos)
        return INVALID_SOCKET;
    SocketStartup();
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = ::htons((u_short)std::atoi(endpoint.c_str() + colon + 1));
    address.sin_addr.s_addr = ::inet_addr(endpoint.substr(0, colon).c_str());
    SOCKET handle = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (handle == INVALID_SOCKET)
        return INVALID_SOCKET;
    DWORD timeoutMs = 10000;
    ::setsockopt(handle, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs), sizeof timeoutMs);
    if (::connect(handle, reinterpret_cast<const sockaddr*>(&address), sizeof address) == SOCKET_ERROR) {
        ::closesocket(handle);
        return INVALID_SOCKET;
    }
    return handle;
}

} // namespace

bool OnTestLan()
{
    return EnvText("ORVANE_TEST_LAN") == "1";
}

COrvaneDlg& MainDialog()
{
    if (!g_testDialog) {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
        ::InitCommonControlsEx(&controls);
        SocketStartup();  // also for the sockets the tests open themselves
        g_testDialog = new COrvaneDlg;  // lives until the process ends
        if (!g_testDialog->Create(nullptr)) {
            std::fputs("the main dialog could not be created\n", stderr);
            std::fflush(stderr);
            std::abort();
        }
        PumpFor(100);
    }
    // Announcements go to this dialog, whatever else was made since.
    g_mainDialog = g_testDialog;
    return *g_testDialog;
}

bool MainDialogExists()
{
    return g_testDialog != nullptr;
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    const ULONGLONG end = ::GetTickCount64() + timeoutMs;
    for (;;) {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        if (done())
            return true;
        ULONGLONG now = ::GetTickCount64();
        if (now >= end)
            return done();
        DWORD wait = (DWORD)(end - now);
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, wait < 5 ? wait : 5, QS_ALLINPUT);
    }
}

void PumpFor(DWORD ms)
{
    PumpUntil([] { return false; }, ms);
}

bool FindLocalAddress(const std::string& dotted, MIB_IPADDRROW* found)
{
    std::vector<MIB_IPADDRROW> rows;
    if (!ReadIpAddressTable(&rows))
        return false;
    for (const MIB_IPADDRROW& row : rows) {
        if (Ipv4ToText(row.dwAddr) == dotted) {
            *found = row;
            return true;
        }
    }
    return false;
}

BoxSim::BoxSim() : m_socket(ConnectToBoxSim()) {}

BoxSim::~BoxSim()
{
    m_socket.ShutdownAndClose();
}

std::vector<std::string> BoxSim::Command(const std::string& line, bool* ok)
{
    std::vector<std::string> lines;
    if (ok)
        *ok = false;
    if (!Connected())
        return lines;
    std::string request = line + "\n";
    if (::send(m_socket.Handle(), request.data(), (int)request.size(), 0) != (int)request.size())
        return lines;
    for (;;) {
        size_t end;
        while ((end = m_pending.find('\n')) != std::string::npos) {
            std::string answer = m_pending.substr(0, end);
            m_pending.erase(0, end + 1);
            if (!answer.empty() && answer.back() == '\r')
                answer.pop_back();
            if (answer == "OK") {
                if (ok)
                    *ok = true;
                return lines;
            }
            if (answer.compare(0, 4, "ERR ") == 0 || answer == "ERR") {
                lines.push_back(answer);
                return lines;
            }
            lines.push_back(answer);
        }
        char chunk[65536];
        int got = ::recv(m_socket.Handle(), chunk, sizeof chunk, 0);
        if (got <= 0)
            return lines;
        m_pending.append(chunk, got);
    }
}

bool BoxSim::Reset()
{
    bool ok = false;
    Command("RESET", &ok);
    if (ok)
        return true;
    // A simulator without RESET: forget the log, then remove its boxes one by one.
    Command("CLEAR", &ok);
    if (!ok)
        return false;
    for (const std::string& line : Command("BOXES", &ok)) {
        size_t at = line.find("id=");
        if (at != std::string::npos)
            Command("REMOVE " + line.substr(at + 3, line.find(' ', at) - at - 3));
    }
    return ok && Command("BOXES").empty();
}

std::vector<std::string> BoxSim::ReceivedLines()
{
    return Command("LOG RX");
}
