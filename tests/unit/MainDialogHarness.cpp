#include "tests/unit/MainDialogHarness.h"

#include "discovery/AddressTable.h"
#include "discovery/HandleAnnouncement.h"
#include "discovery/find_devices.h"
#include "discovery/Ipv4Text.h"

#include <commctrl.h>
#include <ws2tcpip.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace {

COrvaneDlg* g_testDialog = nullptr;

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

COrvaneDlg& MainDialog()
{
    if (!g_testDialog) {
        // The dialog's scanners broadcast from every local address: only the test LAN may hear them.
        if (!OnTestLan()) {
            std::fputs("refusing to create the main dialog outside the test LAN's PC namespace\n", stderr);
            std::fflush(stderr);
            std::abort();
        }
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

bool WaitForQueuedAnnouncements(DWORD timeoutMs)
{
    return !MainDialogExists() || PumpUntil([] { return !MainDialog().HasQueuedAnnouncements(); }, timeoutMs);
}

std::vector<DeviceId> RowIds(const CListCtrl& list)
{
    std::vector<DeviceId> ids;
    for (int row = 0; row < list.GetItemCount(); ++row)
        ids.push_back((DeviceId)::_wtoi(list.GetItemText(row, COL_ID).c_str()));
    return ids;
}

RowTag* TagOfRow(const CListCtrl& list, int row)
{
    return reinterpret_cast<RowTag*>(list.GetItemData(row));
}

int RowOf(const CListCtrl& list, DeviceId id)
{
    std::vector<DeviceId> ids = RowIds(list);
    for (size_t row = 0; row < ids.size(); ++row) {
        if (ids[row] == id)
            return (int)row;
    }
    return -1;
}

void SelectRows(const CListCtrl& list, std::initializer_list<int> rows)
{
    list.SetItemState(-1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    for (int row : rows)
        list.SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
}

std::wstring ControlText(const COrvaneDlg& dialog, int id)
{
    wchar_t text[1024] = {};
    ::GetWindowTextW(::GetDlgItem(dialog.GetSafeHwnd(), id), text, 1024);
    return text;
}

void ClickButton(const COrvaneDlg& dialog, int id)
{
    ::SendMessageW(::GetDlgItem(dialog.GetSafeHwnd(), id), BM_CLICK, 0, 0);
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

std::uint32_t InterfaceIndexOf(const std::string& dotted)
{
    MIB_IPADDRROW row;
    return FindLocalAddress(dotted, &row) ? (std::uint32_t)row.dwIndex : 0;
}

Ipv4Host HostAddress(const std::string& dotted)
{
    return Ipv4HostFromNet(Ipv4FromText(dotted.c_str()));
}

std::string Hex(const void* bytes, int length)
{
    static const char digits[] = "0123456789abcdef";
    const unsigned char* data = static_cast<const unsigned char*>(bytes);
    std::string text;
    for (int i = 0; i < length; ++i) {
        text += digits[data[i] >> 4];
        text += digits[data[i] & 15];
    }
    return text;
}

void HandleLikeAReceiver(const void* bytes, int length, std::uint32_t interfaceIndex, Ipv4Host source)
{
    char buffer[RECEIVE_BUFFER_SIZE] = {};
    std::memcpy(buffer, bytes, length < RECEIVE_BUFFER_SIZE ? (length > 0 ? length : 0) : RECEIVE_BUFFER_SIZE);
    std::lock_guard<std::mutex> lock(ReplyLock);
    HandleAnnouncement(buffer, length, interfaceIndex, source);
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
    return ok;
}

std::vector<std::string> BoxSim::ReceivedLines()
{
    return Command("LOG RX");
}

ReceivedDatagram ParseReceivedLine(const std::string& line)
{
    ReceivedDatagram parsed;
    if (line.compare(0, 3, "RX ") != 0)
        return parsed;
    parsed.endpoint = line.substr(3, line.find(' ', 3) - 3);
    parsed.source = parsed.endpoint.substr(0, parsed.endpoint.rfind(':'));
    auto field = [&](const char* name) {
        const std::string key = std::string(" ") + name + "=";
        size_t at = line.find(key);
        if (at == std::string::npos)
            return std::string();
        at += key.size();
        return line.substr(at, line.find(' ', at) - at);
    };
    parsed.length = field("len");
    parsed.type = field("type");
    parsed.hex = field("hex");
    return parsed;
}

bool BoxSimCommand(const std::string& line, std::vector<std::string>* answer)
{
    BoxSim boxsim;
    bool ok = false;
    std::vector<std::string> lines = boxsim.Command(line, &ok);
    if (answer)
        *answer = lines;
    return ok;
}

std::vector<std::string> BoxSimReceived(std::uint32_t msgType)
{
    const std::string type = std::to_string(msgType);
    std::vector<std::string> matching;
    BoxSim boxsim;
    for (const std::string& line : boxsim.ReceivedLines()) {
        if (ParseReceivedLine(line).type == type)
            matching.push_back(line);
    }
    return matching;
}

bool QuietLan()
{
    if (EnvText("ORVANE_BOXSIM").empty())
        return true;
    BoxSim boxsim;
    return boxsim.Connected() && boxsim.Reset();
}
