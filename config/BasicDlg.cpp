#include "config/BasicDlg.h"

#include "app/resource.h"
#include "config/AddressText.h"

CBasicDlg::CBasicDlg(HWND parent) : CDialog(IDD_SET, parent) {}

BOOL CBasicDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    ::SetDlgItemTextW(m_hWnd, IDC_SET_ID, m_id.c_str());
    ::SetDlgItemTextW(m_hWnd, IDC_SET_IP, m_lanIp.c_str());
    ::SetDlgItemTextW(m_hWnd, IDC_SET_NETMASK, m_lanNetmask.c_str());
    ::SetDlgItemTextW(m_hWnd, IDC_SET_GATEWAY, m_lanGateway.c_str());
    // TRUE: the dialog manager focuses the first tab stop, the Lan IP edit.
    return TRUE;
}

void CBasicDlg::OnOK()
{
    std::wstring lanIp = GetDlgItem(IDC_SET_IP).GetWindowText();
    std::wstring lanNetmask = GetDlgItem(IDC_SET_NETMASK).GetWindowText();
    std::wstring lanGateway = GetDlgItem(IDC_SET_GATEWAY).GetWindowText();
    if (!IsIpv4AddressText(lanIp)) {
        RefuseField(IDC_SET_IP, L"Lan IP", lanIp, false);
        return;
    }
    if (!IsNetmaskText(lanNetmask)) {
        RefuseField(IDC_SET_NETMASK, L"Lan netmask", lanNetmask, true);
        return;
    }
    if (!IsIpv4AddressText(lanGateway)) {
        RefuseField(IDC_SET_GATEWAY, L"Lan gateway", lanGateway, false);
        return;
    }
    m_lanIp = lanIp;
    m_lanNetmask = lanNetmask;
    m_lanGateway = lanGateway;
    CDialog::OnOK();
}

void CBasicDlg::RefuseField(int controlId, const wchar_t* fieldName, const std::wstring& text, bool netmask)
{
    std::wstring message = std::wstring(fieldName) + L": \"" + text + L"\" is not " +
                           (netmask ? L"a netmask.\nEnter four numbers from 0 to 255 separated by dots, "
                                      L"with the mask's one-bits first, such as 255.255.255.0."
                                    : L"an IPv4 address.\nEnter four numbers from 0 to 255 separated by dots, "
                                      L"such as 192.168.1.10.");
    MessageBox(message, nullptr, MB_OK | MB_ICONWARNING);
    // WM_NEXTDLGCTL moves the focus the dialog manager's way and selects the edit's text.
    SendMessage(WM_NEXTDLGCTL, (WPARAM)::GetDlgItem(m_hWnd, controlId), TRUE);
}
