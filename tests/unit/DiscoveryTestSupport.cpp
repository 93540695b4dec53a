#include "DiscoveryTestSupport.h"

#include "discovery/Ipv4Text.h"
#include "framework/TextCodec.h"

#include <commctrl.h>
#include <iphlpapi.h>
#include <ws2tcpip.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <atomic>

namespace {

COrvaneDlg* g_testDialog = nullptr;

std::string EnvText(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

} // namespace

bool OnTestLan()
{
    return EnvText("ORVANE_TEST_LAN") == "1";
}

std::string PcAddress()
{
    std::string address = EnvText("ORVANE_PC_ADDR");
    return address.empty() ? "10.86.1.1" : address;
}

COrvaneDlg& MainDialog()
{
    if (!g_testDialog) {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
        ::InitCommonControlsEx(&controls);
        g_testDialog = new COrvaneDlg;  // lives until the process ends
        if (!g_testDialog->Create(nullptr)) {
            ADD_FAILURE() << "the main dialog could not be created";
        }
    }
    // Other test helpers may have made a dialog of their own since: announcements go to this one.
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

bool RunOnWorkerWhilePumping(const std::function<void()>& work, DWORD timeoutMs)
{
    std::atomic<bool> done{false};
    std::thread worker([&] {
        work();
        done = true;
    });
    bool inTime = PumpUntil([&] { return done.load(); }, timeoutMs);
    // The worker may be waiting for this thread: keep answering until it has ended.
    PumpUntil([&] { return done.load(); }, INFINITE);
    worker.join();
    return inTime;
}

void HandleLikeAReceiver(const void* bytes, int length, std::uint32_t interfaceIndex, Ipv4Host source)
{
    char buffer[RECEIVE_BUFFER_SIZE] = {};
    std::memcpy(buffer, bytes, length < RECEIVE_BUFFER_SIZE ? (length > 0 ? length : 0) : RECEIVE_BUFFER_SIZE);
    std::lock_guard<std::mutex> lock(ReplyLock);
    HandleAnnouncement(buffer, length, interfaceIndex, source);
}

void EmptyDeviceTable()
{
    MainDialog().DeviceListCtrl().DeleteAllItems();
}

std::vector<TableRow> ReadTable(const CListCtrl& list)
{
    std::vector<TableRow> rows;
    int count = list.GetItemCount();
    for (int i = 0; i < count; ++i) {
        TableRow row;
        row.tag = reinterpret_cast<RowTag*>(list.GetItemData(i));
        for (int column = 0; column < DEVICE_COLUMN_COUNT; ++column)
            row.cells[column] = list.GetItemText(i, column);
        rows.push_back(row);
    }
    return rows;
}

int FindRowById(const std::vector<TableRow>& rows, DeviceId id)
{
    const std::wstring text = std::to_wstring(id);
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].cells[COL_ID] == text)
            return (int)i;
    return -1;
}

DeviceDatagram MakeAnnouncementDatagram(const BoxValues& box)
{
    DeviceDatagram datagram;
    std::memset(&datagram, 0, sizeof datagram);
    datagram.msgType = MSG_ANNOUNCE;
    datagram.deviceId = box.id;
    datagram.boardType = box.boardType;
    datagram.lanStaticIp = box.staticIp;
    datagram.lanNetmask = box.netmask;
    datagram.lanGateway = box.gateway;
    std::memcpy(datagram.mac, box.mac, 6);
    return datagram;
}

BoxValues BoxValuesForId(DeviceId id)
{
    std::uint32_t bits = (std::uint32_t)id;
    BoxValues box;
    box.id = id;
    box.staticIp = (10u << 24) | (bits & 0xFFFFFFu);
    box.netmask = 0xFFFFFF00u;
    box.gateway = (172u << 24) | (bits & 0xFFFFFFu);
    box.mac[0] = 0x02;
    box.mac[1] = 0x42;
    box.mac[2] = (std::uint8_t)(bits >> 24);
    box.mac[3] = (std::uint8_t)(bits >> 16);
    box.mac[4] = (std::uint8_t)(bits >> 8);
    box.mac[5] = (std::uint8_t)bits;
    box.boardType = 1200;
    return box;
}

Ipv4Host HostAddress(const char* dotted)
{
    unsigned a = 0, b = 0, c = 0, d = 0;
    std::sscanf(dotted, "%u.%u.%u.%u", &a, &b, &c, &d);
    return a << 24 | b << 16 | c << 8 | d;
}

std::wstring Wide(const std::string& text)
{
    return NarrowToWide(text);
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

long long InterfaceIndexOf(const std::string& dotted)
{
    ULONG size = 0;
    if (::GetIpAddrTable(nullptr, &size, FALSE) != ERROR_INSUFFICIENT_BUFFER)
        return -1;
    std::vector<unsigned char> buffer(size);
    MIB_IPADDRTABLE* table = reinterpret_cast<MIB_IPADDRTABLE*>(buffer.data());
    if (::GetIpAddrTable(table, &size, FALSE) != NO_ERROR)
        return -1;
    for (DWORD i = 0; i < table->dwNumEntries; ++i)
        if (Ipv4ToText(table->table[i].dwAddr) == dotted)
            return table->table[i].dwIndex;
    return -1;
}

namespace {

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

bool QuietLan()
{
    if (EnvText("ORVANE_BOXSIM").empty())
        return true;
    BoxSim boxsim;
    return boxsim.Connected() && boxsim.Reset();
}
