#include "app/OrvaneDlg.h"

#include "app/AppMessages.h"
#include "discovery/StartScanning.h"
#include "framework/Dpi.h"
#include "framework/ResourceString.h"
#include "framework/TextCodec.h"
#include "framework/WinApp.h"

#include <commctrl.h>

namespace {

// Window size and layout in pixels at 96 DPI; every one is scaled to the window's DPI.
constexpr int INITIAL_WIDTH = 880;
constexpr int INITIAL_HEIGHT = 400;
constexpr int BUTTON_STRIP_HEIGHT = 40;     // below the list
constexpr int BUTTON_TOP_FROM_BOTTOM = 34;
constexpr int CLEAR_LEFT_FROM_RIGHT = 80;
constexpr int SET_LEFT_FROM_RIGHT = 160;
constexpr int RECORD_LEFT = 10;
constexpr int RECORD_FILES_LEFT = 100;
constexpr int RECORD_FILES_EXTRA_WIDTH = 25;  // wider than Clear

// The system keeps the four low bits of a system command for itself.
constexpr UINT SYS_COMMAND_MASK = 0xFFF0;
// System commands 0x0010 to 0x001F are ignored: the range a dialog program's own system-menu
// item (an About box) would use, and this program adds none.
constexpr UINT IGNORED_SYS_COMMANDS = 0x0010;

// The window thread applies queued announcements in slices of about this long, so that it
// answers messages, input and painting in between however long the queue is.
constexpr ULONGLONG ANNOUNCEMENT_SLICE_MS = 30;
// Jobs taken from the queue at a time. Small, because the slice's end is looked at only between
// batches, and a new row can cost the list several milliseconds under load.
constexpr std::size_t ANNOUNCEMENT_BATCH_SIZE = 16;
constexpr UINT_PTR NEXT_SLICE_TIMER_ID = 1;  // the list's RedrawHold::TIMER_ID comes here too
} // namespace

const MessageMapEntry<COrvaneDlg> COrvaneDlg::MESSAGE_MAP[] = {
    {WM_SYSCOMMAND, 0, 0, &COrvaneDlg::OnSysCommand},
    {WM_PAINT, 0, 0, static_cast<void (COrvaneDlg::*)()>(&COrvaneDlg::OnPaint)},
    {WM_CLOSE, 0, 0, &COrvaneDlg::OnClose},
    {WM_QUERYDRAGICON, 0, 0, &COrvaneDlg::OnQueryDragIcon},
    {WM_COMMAND, BN_CLICKED, IDC_CLEAR, &COrvaneDlg::OnClear},
    {WM_NOTIFY, (UINT)NM_DBLCLK, IDC_DEVICE_LIST, &COrvaneDlg::OnListDblClk},
    {WM_COMMAND, BN_CLICKED, IDC_SET, &COrvaneDlg::OnSet},
    {WM_SIZE, 0, 0, &COrvaneDlg::OnSize},
    {WM_NOTIFY, (UINT)LVN_ITEMCHANGED, IDC_DEVICE_LIST, &COrvaneDlg::OnListItemChanged},
    {WM_COMMAND, BN_CLICKED, IDC_RECORD, &COrvaneDlg::OnRecord},
    {WM_COMMAND, BN_CLICKED, IDC_RECORD_FILES, &COrvaneDlg::OnRecordFiles},
    {WM_NOTIFY, (UINT)NM_CUSTOMDRAW, IDC_DEVICE_LIST, &COrvaneDlg::OnListCustomDraw},
    {WM_CONTEXTMENU, 0, 0, &COrvaneDlg::OnContextMenu},
    {WM_COMMAND, 0, ID_OPEN_WEB_PAGE, &COrvaneDlg::OpenDeviceWebPage},
    {WM_COMMAND, 0, ID_COPY_ROWS, &COrvaneDlg::OnCopyRows},
    {WM_COMMAND, 0, ID_COPY_ALL, &COrvaneDlg::OnCopyAll},
    {WM_COMMAND, 0, ID_SEARCH_NOW, &COrvaneDlg::OnSearchNow},
    {WM_COMMAND, 0, ID_SEARCH_NETWORKS, &COrvaneDlg::OnSearchNetworks},
    {WM_NOTIFY, (UINT)LVN_GETINFOTIPW, IDC_DEVICE_LIST, &COrvaneDlg::OnListGetInfoTip},
    {WM_COMMAND, 0, ID_RECORDING_DETAILS, &COrvaneDlg::OnRecordingDetails},
    {WM_APP_ANNOUNCEMENT, 0, 0, &COrvaneDlg::OnAnnouncement},
    {WM_APP_RECORDER_EVENT, 0, 0, &COrvaneDlg::OnRecorderEvent},
    {WM_APP_ANNOUNCEMENTS_QUEUED, 0, 0, &COrvaneDlg::OnAnnouncementsQueued},
    {WM_APP_READ_SELECTION, 0, 0, &COrvaneDlg::OnReadSelection},
    {WM_TIMER, 0, 0, &COrvaneDlg::OnTimer},
    {WM_DPICHANGED, 0, 0, &COrvaneDlg::OnDpiChanged},
};

COrvaneDlg* g_mainDialog = nullptr;

COrvaneDlg::COrvaneDlg(HWND parent) : CDialog(IDD_MAIN, parent)
{
    g_mainDialog = this;
    RegisterAnnouncementSink(this);
    m_hIcon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_MAIN));
}

COrvaneDlg::~COrvaneDlg() = default;

bool COrvaneDlg::RouteMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    return RouteThroughMap(this, MESSAGE_MAP, message, wParam, lParam, result);
}

void COrvaneDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Control(pDX, IDC_DEVICE_LIST, m_list);
}

BOOL COrvaneDlg::OnInitDialog()
{
    // The monitor's DPI where the program supports more than one, else the system DPI.
    m_dpi = m_startDpi = WindowDpi(m_hWnd);
    CDialog::OnInitDialog();
    m_table.Attach(m_list);
    m_selectedBoxes.Attach(m_list);

    SendMessage(WM_SETICON, ICON_BIG, (LPARAM)m_hIcon);
    SendMessage(WM_SETICON, ICON_SMALL, (LPARAM)m_hIcon);
    // Info tips show a recorded row's health when the mouse rests on it.
    m_list.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
    InsertDeviceColumns(m_list, m_dpi);
    RECT clearRect = {};
    GetDlgItem(IDC_CLEAR).GetWindowRect(&clearRect);
    m_buttonSizeAtStart = {clearRect.right - clearRect.left, clearRect.bottom - clearRect.top};
    KeepDialogLayoutOnDpiChange(m_hWnd);

    AfxSocketInit();  // the scanners bind right after this
    MoveWindow(0, 0, ScaleForDpi(INITIAL_WIDTH, m_dpi), ScaleForDpi(INITIAL_HEIGHT, m_dpi), TRUE);
    CenterWindow();
    StartScanning();
    // Ctrl+C, Ctrl+A, Ctrl+F and F5 of the whole window (a thread's own message filter is not refused).
    ::SetWindowsHookExW(WH_MSGFILTER, &COrvaneDlg::FilterShortcutKeys, nullptr, ::GetCurrentThreadId());
    m_watcherThread.reset(new std::thread(&COrvaneDlg::WatchSelection, this));
    return TRUE;
}

// Starts the scanners once, titles the window with the local addresses and empties the table.
// Without the address table there is no scanning, and the window keeps its template's caption.
void COrvaneDlg::StartScanning()
{
    if (m_scanStarted)
        return;
    m_scanStarted = true;
    std::vector<std::string> addresses;
    if (!StartScanners(m_scanners, addresses))
        return;
    std::string title = WideToNarrow(LoadResourceString(IDS_TITLE_MY_IP));
    const std::string separator = WideToNarrow(LoadResourceString(IDS_TITLE_ADDRESS_SEPARATOR));
    for (std::size_t i = 0; i < addresses.size(); ++i)
        title += (i > 0 ? separator : std::string()) + addresses[i];
    title += WideToNarrow(LoadResourceString(IDS_TITLE_FIREWALL));
    SetWindowText(NarrowToWide(title));
    m_list.DeleteAllItems();
}

// Enter and Escape would end the modal loop and destroy this dialog while the scanner,
// watcher and recorder threads still use it; they end the program the way the close box does.
void COrvaneDlg::OnOK()
{
    OnClose();
}

void COrvaneDlg::OnCancel()
{
    OnClose();
}

void COrvaneDlg::OnClose()
{
    ::TerminateProcess(::GetCurrentProcess(), 0);
}

void COrvaneDlg::OnSysCommand(UINT nID, LPARAM)
{
    if ((nID & SYS_COMMAND_MASK) == IGNORED_SYS_COMMANDS)
        return;
    Default();
}

void COrvaneDlg::OnPaint()
{
    if (!IsIconic()) {
        CDialog::OnPaint();
        return;
    }
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(m_hWnd, &paint);
    SendMessage(WM_ICONERASEBKGND, (WPARAM)dc, 0);
    int cxIcon = ::GetSystemMetrics(SM_CXICON);
    int cyIcon = ::GetSystemMetrics(SM_CYICON);
    RECT client;
    GetClientRect(&client);
    int x = (client.right - client.left - cxIcon + 1) / 2;
    int y = (client.bottom - client.top - cyIcon + 1) / 2;
    ::DrawIcon(dc, x, y, m_hIcon);
    ::EndPaint(m_hWnd, &paint);
}

HCURSOR COrvaneDlg::OnQueryDragIcon()
{
    return (HCURSOR)m_hIcon;
}

void COrvaneDlg::OnSize(UINT, int, int)
{
    LayoutControls();
    Default();
}

// The list fills the client area above a strip of 40 pixels (at 96 DPI); all buttons take
// Clear's size, Record and Record Files at the left edge, Set and Clear at the right edge.
// The buttons come from the template in dialog units, so they grow with the DPI; the pixel
// offsets grow with it by the same factor (OnDpiChanged scales Clear when the DPI changes).
void COrvaneDlg::LayoutControls()
{
    if (!m_hWnd)
        return;
    RECT client;
    GetClientRect(&client);
    int width = client.right - client.left;
    int height = client.bottom - client.top;
    CWnd list = GetDlgItem(IDC_DEVICE_LIST);
    if (!list.IsValid())
        return;
    const int dpi = m_dpi;
    auto scaled = [dpi](int pixels) { return ScaleForDpi(pixels, dpi); };
    list.MoveWindow(0, 0, width, height - scaled(BUTTON_STRIP_HEIGHT), TRUE);

    RECT clearRect = {};
    GetDlgItem(IDC_CLEAR).GetWindowRect(&clearRect);
    int buttonWidth = clearRect.right - clearRect.left;
    int buttonHeight = clearRect.bottom - clearRect.top;
    int top = height - scaled(BUTTON_TOP_FROM_BOTTOM);
    GetDlgItem(IDC_CLEAR).MoveWindow(width - scaled(CLEAR_LEFT_FROM_RIGHT), top, buttonWidth, buttonHeight, TRUE);
    GetDlgItem(IDC_SET).MoveWindow(width - scaled(SET_LEFT_FROM_RIGHT), top, buttonWidth, buttonHeight, TRUE);
    GetDlgItem(IDC_RECORD).MoveWindow(scaled(RECORD_LEFT), top, buttonWidth, buttonHeight, TRUE);
    GetDlgItem(IDC_RECORD_FILES)
        .MoveWindow(scaled(RECORD_FILES_LEFT), top, buttonWidth + scaled(RECORD_FILES_EXTRA_WIDTH), buttonHeight, TRUE);
}

// Moved to a monitor with another scale (or the scale changed): the window takes the rectangle
// Windows suggests, and Clear's size (which every button takes), the offsets and the columns
// follow the new DPI by the rules of the start. The default handling then lets the dialog
// manager give the controls the font of the new DPI (KeepDialogLayoutOnDpiChange).
LRESULT COrvaneDlg::OnDpiChanged(WPARAM wParam, LPARAM lParam)
{
    const int dpi = HIWORD(wParam);  // the vertical DPI; the horizontal one is the same
    const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
    Default();
    if (dpi <= 0 || !suggested)
        return 0;
    m_dpi = dpi;
    ::SetWindowPos(GetDlgItem(IDC_CLEAR).GetSafeHwnd(), nullptr, 0, 0, ::MulDiv(m_buttonSizeAtStart.cx, dpi, m_startDpi),
                   ::MulDiv(m_buttonSizeAtStart.cy, dpi, m_startDpi), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetDeviceColumnWidths(m_list, dpi);
    ::SetWindowPos(m_hWnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    LayoutControls();  // also when the size stayed the same and no WM_SIZE came
    return 0;
}

void COrvaneDlg::OnListItemChanged(NMHDR* pNMHDR, LRESULT* pResult)
{
    // Kept here, read by the selection watcher, which keeps the Record caption and
    // m_selectedRow in step.
    m_selectedBoxes.OnItemChanged(*reinterpret_cast<const NMLISTVIEW*>(pNMHDR));
    *pResult = 0;
}

LRESULT COrvaneDlg::OnAnnouncement(WPARAM, LPARAM lParam)
{
    return m_table.Apply(*reinterpret_cast<const AnnouncementJob*>(lParam));
}

void COrvaneDlg::AcceptAnnouncement(AnnouncementJob&& job)
{
    if (GetSafeHwnd())
        QueueAnnouncement(std::move(job));
}

void COrvaneDlg::QueueAnnouncement(AnnouncementJob&& job)
{
    // One wake-up for a whole burst; a wake-up that cannot be posted is asked for again by the
    // next announcement.
    if (m_announcements.Push(std::move(job)) == AnnouncementQueue::Pushed::QUEUED_WAKE &&
        !::PostMessageW(m_hWnd, WM_APP_ANNOUNCEMENTS_QUEUED, 0, 0))
        m_announcements.WakeFailed();
}

LRESULT COrvaneDlg::OnAnnouncementsQueued(WPARAM, LPARAM)
{
    ApplyQueuedAnnouncements();
    return 0;
}

void COrvaneDlg::OnTimer(UINT timerId, LPARAM)
{
    if (timerId == RedrawHold::TIMER_ID) {
        m_table.EndRedrawHold();
    } else if (timerId == NEXT_SLICE_TIMER_ID) {
        ::KillTimer(m_hWnd, NEXT_SLICE_TIMER_ID);
        ApplyQueuedAnnouncements();
    }
}

// Window thread. Applies queued announcements for one slice; the rest follows once the window
// has answered what waits for it. Posted messages come before input, painting and timers (the
// list's redraw hold ends by one), so while any of them waits the next slice starts from a
// timer instead.
void COrvaneDlg::ApplyQueuedAnnouncements()
{
    const ULONGLONG sliceEnd = ::GetTickCount64() + ANNOUNCEMENT_SLICE_MS;
    std::vector<AnnouncementJob> batch;
    for (;;) {
        const bool more = m_announcements.TakeBatch(batch, ANNOUNCEMENT_BATCH_SIZE);
        for (const AnnouncementJob& job : batch)
            m_table.Apply(job);
        batch.clear();
        if (!more)
            return;
        if (::GetTickCount64() >= sliceEnd)
            break;
    }
    if (HIWORD(::GetQueueStatus(QS_INPUT | QS_PAINT | QS_TIMER)) == 0 &&
        ::PostMessageW(m_hWnd, WM_APP_ANNOUNCEMENTS_QUEUED, 0, 0))
        return;
    if (m_setTimer(m_hWnd, NEXT_SLICE_TIMER_ID, USER_TIMER_MINIMUM, nullptr))
        return;
    // Without a timer the next slice comes before what waits rather than never; when not even
    // that can be posted, the next announcement asks for a wake-up again.
    if (!::PostMessageW(m_hWnd, WM_APP_ANNOUNCEMENTS_QUEUED, 0, 0))
        m_announcements.WakeFailed();
}
