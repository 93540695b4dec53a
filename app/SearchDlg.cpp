#include "app/SearchDlg.h"

#include "app/resource.h"
#include "discovery/SearchRanges.h"
#include "framework/ResourceString.h"

#include <commctrl.h>

#include <cstdarg>
#include <cstdio>

namespace {

// How often the dialog reads the search's progress.
constexpr UINT PROGRESS_TIMER_ID = 1;
constexpr UINT PROGRESS_PERIOD_MS = 100;
constexpr int PROGRESS_BAR_STEPS = 1000;

// The format is the string resource formatId.
std::wstring Format(UINT formatId, ...)
{
    const std::wstring format = LoadResourceString(formatId);
    wchar_t text[256];
    va_list arguments;
    va_start(arguments, formatId);
    std::vswprintf(text, sizeof text / sizeof text[0], format.c_str(), arguments);
    va_end(arguments);
    return text;
}

// Only the final text says "addresses probed" and "boxes answered": whoever waits for the
// end of a search can tell it by them.
std::wstring StatusText(const SearchProgress& progress)
{
    const unsigned long long total = progress.addressCount;
    const unsigned long long answered = progress.answered;
    const unsigned long long firstProbes = progress.firstProbesSent;
    if (progress.state == SearchProgress::State::DONE)
        return Format(IDS_SEARCH_DONE, total, answered, progress.seconds);
    if (progress.state == SearchProgress::State::CANCELLED)
        return Format(IDS_SEARCH_STOPPED, firstProbes, total, answered);
    if (progress.secondPass)
        return Format(IDS_SEARCH_SECOND_PASS, (unsigned long long)progress.secondProbesSent, total, total, answered);
    return Format(IDS_SEARCH_RUNNING, firstProbes, total, answered);
}

// The bar's share of PROGRESS_BAR_STEPS: the probes sent of those the search will send, the
// second probes counted as what the silent addresses still need.
int ProgressSteps(const SearchProgress& progress)
{
    if (progress.state == SearchProgress::State::DONE)
        return PROGRESS_BAR_STEPS;
    const double sent = (double)progress.firstProbesSent + (double)progress.secondProbesSent;
    const double silent = (double)progress.addressCount - (double)progress.answered;
    const double planned = (double)progress.addressCount + (silent > 0 ? silent : 0);
    if (planned <= 0)
        return 0;
    const int steps = (int)(PROGRESS_BAR_STEPS * sent / planned);
    return steps < PROGRESS_BAR_STEPS ? steps : PROGRESS_BAR_STEPS - 1;
}

} // namespace

const MessageMapEntry<CSearchDlg> CSearchDlg::MESSAGE_MAP[] = {
    {WM_TIMER, 0, 0, &CSearchDlg::OnTimer},
};

CSearchDlg::CSearchDlg(HWND parent, NetworkSearch& search, std::wstring& lastSearchText)
    : CDialog(IDD_SEARCH, parent), m_search(search), m_lastSearchText(lastSearchText)
{
}

bool CSearchDlg::RouteMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    return RouteThroughMap(this, MESSAGE_MAP, message, wParam, lParam, result);
}

BOOL CSearchDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    ::SetDlgItemTextW(m_hWnd, IDC_SEARCH_TEXT, m_lastSearchText.c_str());
    GetDlgItem(IDC_SEARCH_PROGRESS).SendMessage(PBM_SETRANGE32, 0, PROGRESS_BAR_STEPS);
    ::SetTimer(m_hWnd, PROGRESS_TIMER_ID, PROGRESS_PERIOD_MS, nullptr);
    // TRUE: the dialog manager focuses the first tab stop, the text.
    return TRUE;
}

void CSearchDlg::OnOK()
{
    const std::wstring text = GetDlgItem(IDC_SEARCH_TEXT).GetWindowText();
    SearchRanges ranges = ParseSearchRanges(text);
    if (!ranges.Accepted()) {
        MessageBox(ranges.refusal, nullptr, MB_OK | MB_ICONWARNING);
        SendMessage(WM_NEXTDLGCTL, (WPARAM)::GetDlgItem(m_hWnd, IDC_SEARCH_TEXT), TRUE);
        return;
    }
    if (!m_search.Begin(std::move(ranges.addresses))) {
        MessageBox(LoadResourceString(IDS_SEARCH_SOCKET_FAILED), nullptr, MB_OK | MB_ICONWARNING);
        return;
    }
    m_lastSearchText = text;
    m_started = true;
    ShowProgress();
}

void CSearchDlg::OnCancel()
{
    m_search.Cancel();
    ::KillTimer(m_hWnd, PROGRESS_TIMER_ID);
    CDialog::OnCancel();
}

void CSearchDlg::OnTimer(UINT timerId, LPARAM)
{
    if (timerId == PROGRESS_TIMER_ID && m_started)
        ShowProgress();
}

void CSearchDlg::ShowProgress()
{
    const SearchProgress progress = m_search.Progress();
    GetDlgItem(IDC_SEARCH_PROGRESS).SendMessage(PBM_SETPOS, ProgressSteps(progress));
    SetStatus(StatusText(progress));
}

void CSearchDlg::SetStatus(const std::wstring& text)
{
    // An unchanged text is not set again, which would only repaint it.
    if (text == m_status)
        return;
    m_status = text;
    GetDlgItem(IDC_SEARCH_STATUS).SetWindowText(text);
}
