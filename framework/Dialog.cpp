#include "framework/Dialog.h"

#include "framework/WinApp.h"

namespace {

// Clears a dispatch's default request for its handler and puts back the request of the
// dispatch it is nested in, also when the handler throws.
class DefaultRequestScope {
public:
    explicit DefaultRequestScope(bool& request) : m_request(request), m_outer(request) { m_request = false; }
    ~DefaultRequestScope() { m_request = m_outer; }
    DefaultRequestScope(const DefaultRequestScope&) = delete;
    DefaultRequestScope& operator=(const DefaultRequestScope&) = delete;

private:
    bool& m_request;
    const bool m_outer;
};

} // namespace

void DDX_Control(CDataExchange* pDX, int id, CListCtrl& control)
{
    control.Attach(::GetDlgItem(pDX->m_pDlgWnd->GetSafeHwnd(), id));
}

CDialog::CDialog(UINT templateId, HWND parent) : m_templateId(templateId), m_parent(parent) {}

CDialog::~CDialog()
{
    // A modeless dialog that is still open must not call back into a dead object.
    if (!m_modal && m_hWnd) {
        ::SetWindowLongPtrW(m_hWnd, DWLP_USER, 0);
        ::DestroyWindow(m_hWnd);
    }
}

INT_PTR CDialog::DoModal()
{
    m_modal = true;
    HWND owner = m_parent ? m_parent : ::GetActiveWindow();
    return ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId), owner, DialogProc,
                             (LPARAM)this);
}

bool CDialog::Create(HWND parent)
{
    m_modal = false;
    HWND hwnd = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId), parent,
                                     DialogProc, (LPARAM)this);
    return hwnd != nullptr;
}

void CDialog::EndDialog(int result)
{
    if (m_modal)
        ::EndDialog(m_hWnd, result);
    else
        ::DestroyWindow(m_hWnd);
}

BOOL CDialog::UpdateData(BOOL saveAndValidate)
{
    CDataExchange exchange = {this, saveAndValidate != FALSE};
    DoDataExchange(&exchange);
    return TRUE;
}

BOOL CDialog::OnInitDialog()
{
    ApplySizingBorderIfLaidOut();
    UpdateData(FALSE);
    return TRUE;
}

// A template with a layout resource gets a sizing border instead of its modal frame,
// keeping its client size; the dialog's own WM_SIZE handler places the controls.
void CDialog::ApplySizingBorderIfLaidOut()
{
    if (!::FindResourceW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId), L"AFX_DIALOG_LAYOUT"))
        return;
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    LONG_PTR style = ::GetWindowLongPtrW(m_hWnd, GWL_STYLE);
    LONG_PTR exStyle = ::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE);
    style = (style & ~(LONG_PTR)DS_MODALFRAME) | WS_POPUP | WS_THICKFRAME;
    exStyle &= ~(LONG_PTR)WS_EX_DLGMODALFRAME;
    ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, style);
    ::SetWindowLongPtrW(m_hWnd, GWL_EXSTYLE, exStyle);
    RECT frame = client;
    ::AdjustWindowRectEx(&frame, (DWORD)style, FALSE, (DWORD)exStyle);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CDialog* self;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lParam);
        self->m_hWnd = hwnd;
        ::SetWindowLongPtrW(hwnd, DWLP_USER, (LONG_PTR)self);
    } else {
        self = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    }
    if (!self)
        return FALSE;
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        self->m_hWnd = nullptr;
        return FALSE;
    }
    // Exceptions must never unwind through user32.
    try {
        return self->HandleMessage(message, wParam, lParam);
    } catch (...) {
        const std::wstring trace = AfxGetAppName() + L": a message handler failed with an exception\n";
        ::OutputDebugStringW(trace.c_str());
        return FALSE;
    }
}

INT_PTR CDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG)
        return OnInitDialog();

    LRESULT result = 0;
    bool handled = false;
    bool runDefault = false;
    {
        // A handler may pump messages (a message box, a modal dialog) and so dispatch nested
        // messages through this function; each keeps its own default request.
        DefaultRequestScope scope(m_runDefaultAfterHandler);
        handled = RouteMessage(message, wParam, lParam, result);
        runDefault = m_runDefaultAfterHandler;
    }
    if (handled) {
        if (runDefault)
            return FALSE;
        switch (message) {
        // These return their result directly from the dialog procedure.
        case WM_QUERYDRAGICON:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
            return (INT_PTR)result;
        default:
            ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result);
            return TRUE;
        }
    }
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        if (LOWORD(wParam) == IDOK) {
            OnOK();
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            OnCancel();
            return TRUE;
        }
    }
    return FALSE;
}
