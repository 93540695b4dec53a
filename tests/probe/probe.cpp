// orvane_probe: reads and drives the running Orvane window from another process, for the
// shell-level end-to-end tests. Each subcommand prints its result on stdout and exits with
// 0 on success, 1 on failure (window or control missing, bad arguments, a call that failed).
//
// The list-view keeps its texts in the target process, so the probe places an LVITEMW and a
// text buffer in that process's memory and lets the control fill them there.
#include <windows.h>
#include <commctrl.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr int DEVICE_LIST_ID = 1001;
constexpr int DEVICE_COLUMNS = 9;
constexpr DWORD SEND_TIMEOUT_MS = 5000;
constexpr int CELL_CHARS = 1024;

const wchar_t USAGE[] =
    L"usage: orvane_probe COMMAND [ARGS]\n"
    L"  wait-window MS     wait until the main window exists\n"
    L"  title              the main window's title\n"
    L"  window-rect        outer rectangle: left top right bottom (screen)\n"
    L"  client-rect        client rectangle: left top right bottom\n"
    L"  control-rect ID    a control's rectangle in client coordinates\n"
    L"  rows               every row of the device list, cells tab-separated\n"
    L"  row-count          number of rows of the device list\n"
    L"  caption ID         a control's text\n"
    L"  focus              the id of the main window's control that has the keyboard focus (0: none)\n"
    L"  select ROW...      select only these rows (-1: none)\n"
    L"  click ID           post a button's click to the window (does not wait for the command)\n"
    L"  close              ask the window to close\n"
    L"  size W H           give the window an outer size of W x H\n"
    L"  work-area          the desktop work area: left top right bottom\n"
    L"  screen-rect ID     a control's rectangle on the screen\n"
    L"  item-rect ROW      a list row's rectangle on the screen\n"
    L"  dialog-text TITLE  the texts of the controls of the dialog with this title (message boxes)\n"
    L"  dialog-rect TITLE ID  a control of that dialog on the screen (ID 0: the dialog itself)\n"
    L"  ping SECONDS [STOPFILE]  round trips of a message to the window thread for SECONDS or\n"
    L"                     until STOPFILE exists: max and mean ms\n"
    L"  version-info FILE  a program file's version resource: its fixed version, then NAME<TAB>TEXT\n"
    L"                     of each string of its first translation\n"
    L"  clipboard          the clipboard's Unicode text as it stands (CR LF kept), in UTF-8\n";

void PrintUtf8(const std::wstring& text)
{
    if (text.empty())
        return;
    int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), nullptr, 0, nullptr, nullptr);
    std::string narrow(bytes > 0 ? bytes : 0, '\0');
    if (bytes > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), &narrow[0], bytes, nullptr, nullptr);
    std::fwrite(narrow.data(), 1, narrow.size(), stdout);
}

void PrintLine(const std::wstring& text)
{
    PrintUtf8(text + L"\n");
}

void PrintRect(const RECT& rect)
{
    std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right, rect.bottom);
}

int Fail(const wchar_t* what)
{
    std::fwprintf(stderr, L"orvane_probe: %ls\n", what);
    return 1;
}

bool ParseInt(const wchar_t* text, int& value)
{
    wchar_t* end = nullptr;
    long parsed = std::wcstol(text, &end, 10);
    if (end == text || *end != L'\0')
        return false;
    value = (int)parsed;
    return true;
}

bool StartsWith(const std::wstring& text, const wchar_t* prefix)
{
    return text.compare(0, std::wcslen(prefix), prefix) == 0;
}

std::wstring WindowTitle(HWND window)
{
    wchar_t buffer[1024] = {};
    ::GetWindowTextW(window, buffer, 1024);
    return buffer;
}

BOOL CALLBACK MatchMainWindow(HWND window, LPARAM found)
{
    wchar_t className[64] = {};
    ::GetClassNameW(window, className, 64);
    if (std::wcscmp(className, L"#32770") != 0)
        return TRUE;
    std::wstring title = WindowTitle(window);
    if (!StartsWith(title, L"My IP:") && !StartsWith(title, L"Find Devices"))
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

HWND FindMainWindow()
{
    HWND found = nullptr;
    ::EnumWindows(MatchMainWindow, (LPARAM)&found);
    return found;
}

// A block of memory inside another process, freed when the owner goes.
class RemoteMemory {
public:
    RemoteMemory(HWND window, SIZE_T size) : m_size(size)
    {
        DWORD processId = 0;
        ::GetWindowThreadProcessId(window, &processId);
        m_process = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE |
                                      PROCESS_QUERY_INFORMATION,
                                  FALSE, processId);
        if (m_process)
            m_address = ::VirtualAllocEx(m_process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
    ~RemoteMemory()
    {
        if (m_address)
            ::VirtualFreeEx(m_process, m_address, 0, MEM_RELEASE);
        if (m_process)
            ::CloseHandle(m_process);
    }
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;

    bool IsValid() const { return m_address != nullptr; }
    char* Address(SIZE_T offset = 0) const { return static_cast<char*>(m_address) + offset; }

    bool Write(SIZE_T offset, const void* data, SIZE_T size) const
    {
        SIZE_T done = 0;
        return offset + size <= m_size &&
               ::WriteProcessMemory(m_process, Address(offset), data, size, &done) && done == size;
    }
    bool Read(SIZE_T offset, void* data, SIZE_T size) const
    {
        SIZE_T done = 0;
        return offset + size <= m_size &&
               ::ReadProcessMemory(m_process, Address(offset), data, size, &done) && done == size;
    }

private:
    HANDLE m_process = nullptr;
    void* m_address = nullptr;
    SIZE_T m_size;
};

bool SendToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    DWORD_PTR answer = 0;
    if (!::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, SEND_TIMEOUT_MS, &answer))
        return false;
    result = (LRESULT)answer;
    return true;
}

// Reads list cells through an LVITEMW and a text buffer placed in the list's process.
class RemoteListReader {
public:
    explicit RemoteListReader(HWND list)
        : m_list(list), m_memory(list, sizeof(LVITEMW) + CELL_CHARS * sizeof(wchar_t))
    {
    }
    bool IsValid() const { return m_memory.IsValid(); }

    bool Cell(int row, int column, std::wstring& text)
    {
        LVITEMW item = {};
        item.iSubItem = column;
        item.cchTextMax = CELL_CHARS;
        item.pszText = reinterpret_cast<LPWSTR>(m_memory.Address(sizeof(LVITEMW)));
        const wchar_t empty = L'\0';
        LRESULT length = 0;
        if (!m_memory.Write(0, &item, sizeof item) || !m_memory.Write(sizeof(LVITEMW), &empty, sizeof empty) ||
            !SendToWindow(m_list, LVM_GETITEMTEXTW, (WPARAM)row, (LPARAM)m_memory.Address(), length))
            return false;
        if (length < 0 || length >= CELL_CHARS)
            length = CELL_CHARS - 1;
        std::vector<wchar_t> buffer((size_t)length + 1, L'\0');
        if (!m_memory.Read(sizeof(LVITEMW), buffer.data(), (size_t)length * sizeof(wchar_t)))
            return false;
        text.assign(buffer.data(), (size_t)length);
        text.resize(std::wcslen(text.c_str()));
        return true;
    }

    bool SetState(int row, UINT state, UINT mask)
    {
        LVITEMW item = {};
        item.stateMask = mask;
        item.state = state;
        LRESULT done = FALSE;
        return m_memory.Write(0, &item, sizeof item) &&
               SendToWindow(m_list, LVM_SETITEMSTATE, (WPARAM)row, (LPARAM)m_memory.Address(), done) && done;
    }

private:
    HWND m_list;
    RemoteMemory m_memory;
};

bool ControlRectInClient(HWND dialog, HWND control, RECT& rect)
{
    if (!::GetWindowRect(control, &rect))
        return false;
    ::MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return true;
}

int WaitWindow(int timeoutMs)
{
    DWORD start = ::GetTickCount();
    for (;;) {
        if (HWND window = FindMainWindow()) {
            PrintLine(WindowTitle(window));
            return 0;
        }
        if ((int)(::GetTickCount() - start) >= timeoutMs)
            return Fail(L"no main window");
        ::Sleep(50);
    }
}

int PrintRows(HWND list, bool countOnly)
{
    LRESULT count = 0;
    if (!SendToWindow(list, LVM_GETITEMCOUNT, 0, 0, count))
        return Fail(L"the list does not answer");
    if (countOnly) {
        std::printf("%d\n", (int)count);
        return 0;
    }
    RemoteListReader reader(list);
    if (!reader.IsValid())
        return Fail(L"cannot reach the list's process memory");
    for (int row = 0; row < (int)count; ++row) {
        std::wstring line;
        for (int column = 0; column < DEVICE_COLUMNS; ++column) {
            std::wstring cell;
            if (!reader.Cell(row, column, cell))
                return Fail(L"cannot read a cell");
            if (column > 0)
                line += L'\t';
            line += cell;
        }
        PrintLine(line);
    }
    return 0;
}

int SelectRows(HWND list, const std::vector<int>& rows)
{
    RemoteListReader reader(list);
    if (!reader.IsValid())
        return Fail(L"cannot reach the list's process memory");
    // Row -1 addresses every row: clear all selections first, then select the ones asked for.
    if (!reader.SetState(-1, 0, LVIS_SELECTED))
        return Fail(L"cannot clear the selection");
    for (int row : rows) {
        if (row >= 0 && !reader.SetState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED))
            return Fail(L"cannot select the row");
    }
    return 0;
}

// A dialog other than the main window (a message box, the Set dialog) by its exact title.
HWND FindDialogByTitle(const wchar_t* title)
{
    return ::FindWindowW(L"#32770", title);
}

BOOL CALLBACK PrintChildText(HWND child, LPARAM)
{
    wchar_t text[1024] = {};
    DWORD_PTR length = 0;
    if (::SendMessageTimeoutW(child, WM_GETTEXT, 1024, (LPARAM)text, SMTO_ABORTIFHUNG, SEND_TIMEOUT_MS, &length) &&
        length > 0)
        PrintLine(std::to_wstring(::GetDlgCtrlID(child)) + L"\t" + text);
    return TRUE;
}

// How long the window thread takes to get to a message, sampled every 20 ms: the window
// thread takes messages and input from the same wait, so this is how soon it answers a click.
// A slow answer is waited for (up to a minute) and counted, not taken as a failure.
// Pings for the given seconds, or until stopFile (may be null) exists: one process for a whole
// measurement, since a Wine process starting beside the window would be part of what it measures.
int Ping(HWND dialog, int seconds, const wchar_t* stopFile)
{
    constexpr DWORD PING_TIMEOUT_MS = 60000;
    LARGE_INTEGER frequency, start, end;
    ::QueryPerformanceFrequency(&frequency);
    double worst = 0, total = 0;
    int samples = 0;
    const DWORD until = ::GetTickCount() + (DWORD)seconds * 1000;
    while ((int)(until - ::GetTickCount()) > 0) {
        if (stopFile && ::GetFileAttributesW(stopFile) != INVALID_FILE_ATTRIBUTES)
            break;
        DWORD_PTR ignored = 0;
        ::QueryPerformanceCounter(&start);
        if (!::SendMessageTimeoutW(dialog, WM_NULL, 0, 0, SMTO_NORMAL, PING_TIMEOUT_MS, &ignored))
            return Fail(L"the window does not answer");
        ::QueryPerformanceCounter(&end);
        double ms = 1000.0 * (double)(end.QuadPart - start.QuadPart) / (double)frequency.QuadPart;
        worst = ms > worst ? ms : worst;
        total += ms;
        ++samples;
        ::Sleep(20);
    }
    std::printf("%.1f %.1f %d\n", worst, samples ? total / samples : 0.0, samples);
    return 0;
}

// A list row's rectangle, asked for in the list's process and mapped to the screen.
int PrintItemRect(HWND list, int row)
{
    RemoteMemory memory(list, sizeof(RECT));
    RECT rect = {};
    rect.left = LVIR_BOUNDS;
    LRESULT ok = FALSE;
    if (!memory.IsValid() || !memory.Write(0, &rect, sizeof rect) ||
        !SendToWindow(list, LVM_GETITEMRECT, (WPARAM)row, (LPARAM)memory.Address(), ok) || !ok ||
        !memory.Read(0, &rect, sizeof rect))
        return Fail(L"cannot read the row's rectangle");
    ::MapWindowPoints(list, HWND_DESKTOP, reinterpret_cast<POINT*>(&rect), 2);
    PrintRect(rect);
    return 0;
}

// The version resource as Explorer's Properties read it: the fixed file version, then the
// strings of the first translation that VarFileInfo\Translation names.
int PrintVersionInfo(const wchar_t* file)
{
    DWORD ignored = 0;
    DWORD size = ::GetFileVersionInfoSizeW(file, &ignored);
    if (size == 0)
        return Fail(L"the file has no version resource");
    std::vector<BYTE> block(size);
    if (!::GetFileVersionInfoW(file, 0, size, block.data()))
        return Fail(L"GetFileVersionInfoW failed");

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || !fixed ||
        length < sizeof(VS_FIXEDFILEINFO) || fixed->dwSignature != VS_FFI_SIGNATURE)
        return Fail(L"no fixed file information");
    std::printf("FixedFileVersion\t%u.%u.%u.%u\n", (unsigned)HIWORD(fixed->dwFileVersionMS),
                (unsigned)LOWORD(fixed->dwFileVersionMS), (unsigned)HIWORD(fixed->dwFileVersionLS),
                (unsigned)LOWORD(fixed->dwFileVersionLS));

    struct Translation {
        WORD language;
        WORD codePage;
    };
    Translation* translation = nullptr;
    if (!::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                          &length) ||
        !translation || length < sizeof(Translation))
        return Fail(L"no translation");
    const wchar_t* const names[] = {L"ProductName", L"FileDescription", L"FileVersion", L"ProductVersion",
                                    L"OriginalFilename"};
    for (const wchar_t* name : names) {
        wchar_t path[128];
        std::swprintf(path, 128, L"\\StringFileInfo\\%04x%04x\\%ls", translation->language, translation->codePage,
                      name);
        wchar_t* text = nullptr;
        if (::VerQueryValueW(block.data(), path, reinterpret_cast<void**>(&text), &length) && text && length > 0)
            PrintLine(std::wstring(name) + L"\t" + text);
    }
    return 0;
}

int Run(int argc, wchar_t** argv)
{
    if (argc < 2)
        return Fail(USAGE);
    const std::wstring command = argv[1];
    int first = 0;
    int second = 0;
    const bool hasFirst = argc >= 3 && ParseInt(argv[2], first);
    const bool hasSecond = argc >= 4 && ParseInt(argv[3], second);

    if (command == L"work-area") {
        RECT area = {};
        if (!::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0))
            return Fail(L"SPI_GETWORKAREA failed");
        PrintRect(area);
        return 0;
    }
    if (command == L"clipboard") {
        if (!::OpenClipboard(nullptr))
            return Fail(L"cannot open the clipboard");
        std::wstring text;
        HANDLE data = ::GetClipboardData(CF_UNICODETEXT);
        const wchar_t* locked = data ? static_cast<const wchar_t*>(::GlobalLock(data)) : nullptr;
        if (locked) {
            text = locked;
            ::GlobalUnlock(data);
        }
        ::CloseClipboard();
        if (!locked)
            return Fail(L"no Unicode text on the clipboard");
        PrintUtf8(text);
        return 0;
    }
    if (command == L"dialog-text" || command == L"dialog-rect") {
        HWND other = argc >= 3 ? FindDialogByTitle(argv[2]) : nullptr;
        if (!other)
            return Fail(L"no dialog with that title");
        if (command == L"dialog-text") {
            ::EnumChildWindows(other, PrintChildText, 0);
            return 0;
        }
        int id = 0;
        HWND target = argc >= 4 && ParseInt(argv[3], id) && id != 0 ? ::GetDlgItem(other, id) : other;
        RECT rect = {};
        if (!target || !::GetWindowRect(target, &rect))
            return Fail(L"no such control");
        PrintRect(rect);
        return 0;
    }
    if (command == L"version-info")
        return argc >= 3 ? PrintVersionInfo(argv[2]) : Fail(L"version-info needs a file");
    if (command == L"wait-window")
        return hasFirst ? WaitWindow(first) : Fail(L"wait-window needs a timeout in ms");

    HWND dialog = FindMainWindow();
    if (!dialog)
        return Fail(L"no main window");

    if (command == L"title") {
        PrintLine(WindowTitle(dialog));
        return 0;
    }
    if (command == L"window-rect" || command == L"client-rect") {
        RECT rect = {};
        BOOL ok = command == L"window-rect" ? ::GetWindowRect(dialog, &rect) : ::GetClientRect(dialog, &rect);
        if (!ok)
            return Fail(L"cannot read the rectangle");
        PrintRect(rect);
        return 0;
    }
    if (command == L"ping")
        return hasFirst ? Ping(dialog, first, argc >= 4 ? argv[3] : nullptr) : Fail(L"ping needs a number of seconds");
    if (command == L"close")
        return ::PostMessageW(dialog, WM_CLOSE, 0, 0) ? 0 : Fail(L"cannot post WM_CLOSE");
    if (command == L"click") {
        HWND button = hasFirst ? ::GetDlgItem(dialog, first) : nullptr;
        if (!button)
            return Fail(L"click needs the id of a control of the main window");
        return ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(first, BN_CLICKED), (LPARAM)button)
                   ? 0
                   : Fail(L"cannot post the click");
    }
    if (command == L"size") {
        if (!hasFirst || !hasSecond)
            return Fail(L"size needs a width and a height");
        if (!::SetWindowPos(dialog, nullptr, 0, 0, first, second, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE))
            return Fail(L"SetWindowPos failed");
        return 0;
    }

    if (command == L"rows" || command == L"row-count" || command == L"select" || command == L"item-rect") {
        HWND list = ::GetDlgItem(dialog, DEVICE_LIST_ID);
        if (!list)
            return Fail(L"no device list");
        if (command == L"select") {
            std::vector<int> rows;
            for (int i = 2; i < argc; ++i) {
                int row = 0;
                if (!ParseInt(argv[i], row))
                    return Fail(L"select needs row indexes");
                rows.push_back(row);
            }
            return rows.empty() ? Fail(L"select needs a row index") : SelectRows(list, rows);
        }
        if (command == L"item-rect")
            return hasFirst ? PrintItemRect(list, first) : Fail(L"item-rect needs a row index");
        return PrintRows(list, command == L"row-count");
    }

    if (command == L"focus") {
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(dialog, nullptr), &info))
            return Fail(L"cannot read the window thread's focus");
        PrintLine(std::to_wstring(info.hwndFocus && ::IsChild(dialog, info.hwndFocus) ? ::GetDlgCtrlID(info.hwndFocus) : 0));
        return 0;
    }
    if (command == L"control-rect" || command == L"screen-rect" || command == L"caption") {
        if (!hasFirst)
            return Fail(L"a control id is needed");
        HWND control = ::GetDlgItem(dialog, first);
        if (!control)
            return Fail(L"no such control");
        if (command == L"control-rect") {
            RECT rect = {};
            if (!ControlRectInClient(dialog, control, rect))
                return Fail(L"cannot read the rectangle");
            PrintRect(rect);
            return 0;
        }
        if (command == L"screen-rect") {
            RECT rect = {};
            if (!::GetWindowRect(control, &rect))
                return Fail(L"cannot read the rectangle");
            PrintRect(rect);
            return 0;
        }
        // WM_GETTEXT is carried across processes by the system; GetWindowTextW would not ask.
        wchar_t text[1024] = {};
        LRESULT length = 0;
        if (!SendToWindow(control, WM_GETTEXT, 1024, (LPARAM)text, length))
            return Fail(L"the control does not answer");
        PrintLine(text);
        return 0;
    }
    return Fail(USAGE);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    // Binary stdout: the shell reads "\n" line ends, not "\r\n".
    _setmode(_fileno(stdout), _O_BINARY);
    int code = Run(argc, argv);
    std::fflush(stdout);
    return code;
}
