// The dialog class: one static dialog procedure, `this` kept in DWLP_USER, virtual hooks
// in the framework's manner. The same class runs modal (DoModal) or modeless (Create, used
// by tests that drive the real dialog).
#pragma once

#include "framework/ListCtrl.h"
#include "framework/Wnd.h"

class CDialog;

// What DoDataExchange is given: the dialog, and whether data goes from controls to members.
struct CDataExchange {
    CDialog* m_pDlgWnd;
    bool m_bSaveAndValidate;
};

// Attaches a control view to the dialog's control with the given id.
void DDX_Control(CDataExchange* pDX, int id, CListCtrl& control);

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, HWND parent = nullptr);
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Runs the dialog's own modal loop; returns the value given to EndDialog, or -1.
    INT_PTR DoModal();
    // Creates the dialog modeless; the caller pumps messages. False when it could not be made.
    bool Create(HWND parent = nullptr);
    void EndDialog(int result);
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

protected:
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange*) {}
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // The derived dialog's message map; true when a handler took the message.
    virtual bool RouteMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }
    // Called inside a handler: once the handler has returned, the message also gets the
    // default dialog handling (the dialog procedure returns FALSE for it). The request
    // belongs to the message being handled, not to messages a handler's message box or
    // modal dialog handles meanwhile.
    void Default() { m_runDefaultAfterHandler = true; }
    // The framework's own painting of the dialog.
    void OnPaint() { Default(); }

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void ApplySizingBorderIfLaidOut();

    UINT m_templateId;
    HWND m_parent;
    bool m_modal = false;
    // Set by Default() during the current dispatch; each dispatch saves and restores the
    // value of the one it is nested in.
    bool m_runDefaultAfterHandler = false;
};
