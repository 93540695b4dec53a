#include "tests/unit/RecordTestSupport.h"

#include <fstream>

namespace recordtest {

TestBox StreamBox(DeviceId id, const std::string& host)
{
    return {id, host, host, "255.255.255.0", TEST_LAN_PC_ADDRESSES[0].address, "02:00:00:00:55:01"};
}

void SelectOnly(int row)
{
    COrvaneDlg& dialog = MainDialog();
    if (row >= 0)
        SelectRows(dialog.DeviceListCtrl(), {row});
    else
        SelectRows(dialog.DeviceListCtrl(), {});
    EXPECT_TRUE(PumpUntil([&] { return dialog.SelectedRow() == row; }, 1000))
        << "the selection watcher did not take row " << row;
}

void ClickRecord()
{
    ClickButton(MainDialog(), IDC_RECORD);
}

void ClickRecordFiles()
{
    ClickButton(MainDialog(), IDC_RECORD_FILES);
}

RowView ReadRow(DeviceId id)
{
    RowView view;
    const CListCtrl& list = MainDialog().DeviceListCtrl();
    const int row = RowOf(list, id);
    if (row < 0)
        return view;
    view.record = list.GetItemText(row, COL_RECORD);
    if (const RowTag* tag = reinterpret_cast<const RowTag*>(list.GetItemData(row)))
        view.state = tag->state;
    return view;
}

bool WaitRecordingOff(DeviceId id, int timeoutMs)
{
    return PumpUntil(
        [id] {
            RowView row = ReadRow(id);
            return !MainDialog().Recordings().IsWanted(id) && row.record == L"Off" && row.state == ROW_IDLE;
        },
        timeoutMs);
}

char PatternByte(std::uint64_t offset)
{
    const std::uint64_t packet = offset / 188;
    const std::uint64_t within = offset % 188;
    if (within == 0)
        return 0x47;
    return (char)(std::uint8_t)(packet * 7 + within * 13 + (packet >> 8));
}

std::string PeerConnection::ReadRequest()
{
    std::string request;
    char byte;
    while (request.size() < 4096 && request.find("\r\n\r\n") == std::string::npos) {
        if (::recv(m_socket, &byte, 1, 0) != 1)
            break;
        request.push_back(byte);
    }
    return request;
}

bool PeerConnection::Send(const std::string& bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        int result = ::send(m_socket, bytes.data() + sent, (int)(bytes.size() - sent), 0);
        if (result <= 0)
            return false;
        sent += (std::size_t)result;
    }
    return true;
}

bool PeerConnection::SendPattern(std::uint64_t offset, std::size_t count)
{
    std::string bytes(count, '\0');
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = PatternByte(offset + i);
    return Send(bytes);
}

void PeerConnection::SendPatternUntilClosed(std::uint64_t bytesPerSecond)
{
    constexpr std::size_t SLICE = 65536;
    const auto start = std::chrono::steady_clock::now();
    std::uint64_t offset = 0;
    while (SendPattern(offset, SLICE)) {
        offset += SLICE;
        const auto due = start + std::chrono::microseconds(offset * 1000000 / bytesPerSecond);
        std::this_thread::sleep_until(due);
    }
}

bool PeerConnection::WaitForClientClose(int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    char discard[4096];
    while (std::chrono::steady_clock::now() < deadline) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(m_socket, &readable);
        timeval wait = {0, 50000};
        if (::select(0, &readable, nullptr, nullptr, &wait) == 1 && ::recv(m_socket, discard, sizeof discard, 0) <= 0)
            return true;
    }
    return false;
}

void PeerConnection::Close()
{
    if (m_socket != INVALID_SOCKET) {
        ::closesocket(m_socket);
        m_socket = INVALID_SOCKET;
    }
}

ScriptedPeer::ScriptedPeer(const std::string& address, int port, std::vector<Script> scripts)
    : m_scripts(std::move(scripts))
{
    SocketStartup();
    m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
    BOOL reuse = TRUE;
    ::setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse), sizeof reuse);
    sockaddr_in local = {};
    local.sin_family = AF_INET;
    local.sin_port = ::htons((u_short)port);
    local.sin_addr.s_addr = ::inet_addr(address.c_str());
    if (::bind(m_listener, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
        ::listen(m_listener, 8) != 0) {
        ::closesocket(m_listener);
        m_listener = INVALID_SOCKET;
        return;
    }
    m_acceptor = std::thread(&ScriptedPeer::AcceptLoop, this);
}

ScriptedPeer::~ScriptedPeer()
{
    m_stop = true;
    if (m_acceptor.joinable())
        m_acceptor.join();
    if (m_listener != INVALID_SOCKET)
        ::closesocket(m_listener);
    for (std::thread& connection : m_connections)
        connection.join();
}

void ScriptedPeer::AcceptLoop()
{
    while (!m_stop) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(m_listener, &readable);
        timeval wait = {0, 50000};
        if (::select(0, &readable, nullptr, nullptr, &wait) != 1)
            continue;
        SOCKET client = ::accept(m_listener, nullptr, nullptr);
        if (client == INVALID_SOCKET)
            continue;
        const int index = m_accepted++;
        Script script = m_scripts[std::min<std::size_t>(index, m_scripts.size() - 1)];
        std::lock_guard<std::mutex> lock(m_lock);
        m_requests.emplace_back();
        m_connections.emplace_back([this, client, index, script] {
            PeerConnection connection(client);
            std::string request = connection.ReadRequest();
            {
                std::lock_guard<std::mutex> lock(m_lock);
                m_requests[index] = request;
            }
            script(connection);
            connection.Close();
            ++m_done;
        });
    }
}

std::vector<std::string> ScriptedPeer::Requests()
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_requests;
}

bool ScriptedPeer::WaitAllDone(int count, int timeoutMs)
{
    return PumpUntil([&] { return m_done >= count; }, timeoutMs);
}

std::int64_t FileSize(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return ((std::int64_t)data.nFileSizeHigh << 32) | data.nFileSizeLow;
}

std::vector<unsigned char> ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool IsFileClosed(const std::string& path)
{
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return ::GetLastError() != ERROR_SHARING_VIOLATION;
    ::CloseHandle(file);
    return true;
}

std::int64_t FirstPatternMismatch(const std::vector<unsigned char>& bytes)
{
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != (unsigned char)PatternByte(i))
            return (std::int64_t)i;
    }
    return -1;
}

std::int64_t FirstMissingSyncByte(const std::vector<unsigned char>& bytes)
{
    for (std::size_t i = 0; i < bytes.size(); i += 188) {
        if (bytes[i] != 0x47)
            return (std::int64_t)i;
    }
    return -1;
}

HWND VisibleMenu()
{
    HWND menu = ::FindWindowW(L"#32768", nullptr);
    return menu && ::IsWindowVisible(menu) ? menu : nullptr;
}

bool WaitForVisibleMenu(int timeoutMs)
{
    const DWORD start = ::GetTickCount();
    while (!VisibleMenu() && ::GetTickCount() - start < (DWORD)timeoutMs)
        ::Sleep(20);
    return VisibleMenu() != nullptr;
}

} // namespace recordtest
