#include "config/BasicDlg.h"

#include "config/AddressText.h"
#include "config/ConfigIds.h"
#include "framework/ResourceString.h"

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
        RefuseField(IDC_SET_IP, IDS_SET_FIELD_LAN_IP, lanIp, false);
        return;
    }
    if (!IsNetmaskText(lanNetmask)) {
        RefuseField(IDC_SET_NETMASK, IDS_SET_FIELD_LAN_NETMASK, lanNetmask, true);
        return;
    }
    if (!IsIpv4AddressText(lanGateway)) {
        RefuseField(IDC_SET_GATEWAY, IDS_SET_FIELD_LAN_GATEWAY, lanGateway, false);
        return;
    }
    m_lanIp = lanIp;
    m_lanNetmask = lanNetmask;
    m_lanGateway = lanGateway;
    CDialog::OnOK();
}

void CBasicDlg::RefuseField(int controlId, UINT fieldNameId, const std::wstring& text, bool netmask)
{
    const std::wstring message = LoadResourceString(fieldNameId) + LoadResourceString(IDS_SET_REFUSED_OPEN) + text +
                                 LoadResourceString(IDS_SET_REFUSED_IS_NOT) +
                                 LoadResourceString(netmask ? IDS_SET_REFUSED_NETMASK : IDS_SET_REFUSED_ADDRESS);
    MessageBox(message, nullptr, MB_OK | MB_ICONWARNING);
    // WM_NEXTDLGCTL moves the focus the dialog manager's way and selects the edit's text.
    SendMessage(WM_NEXTDLGCTL, (WPARAM)::GetDlgItem(m_hWnd, controlId), TRUE);
}
