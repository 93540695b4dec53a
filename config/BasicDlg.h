// The Set dialog: shows a box's ID and lets the operator enter a new static address,
// netmask and gateway. The caller fills the four texts, runs DoModal and, after IDOK,
// reads m_lanIp, m_lanNetmask and m_lanGateway (each a valid address text then).
#pragma once

#include "framework/Dialog.h"

#include <string>

class CBasicDlg : public CDialog {
public:
    // parent: the owner the dialog is modal to (the main window).
    explicit CBasicDlg(HWND parent = nullptr);

    std::wstring m_id;  // shown read-only; never read back
    std::wstring m_lanIp;
    std::wstring m_lanGateway;
    std::wstring m_lanNetmask;

protected:
    BOOL OnInitDialog() override;
    // Ends the dialog only when all three texts are addresses; otherwise says which field is
    // wrong and puts the focus back into it.
    void OnOK() override;

private:
    // Shows why the field's text is refused and focuses the field.
    void RefuseField(int controlId, UINT fieldNameId, const std::wstring& text, bool netmask);
};
