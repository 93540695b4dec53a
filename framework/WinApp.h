// The application object: the one process-wide object the program's entry point runs.
#pragma once

#include "framework/Wnd.h"

#include <string>

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp() = default;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Prepares the application; returning FALSE ends it without a message loop of its own.
    virtual BOOL InitInstance() { return TRUE; }

    // The window that counts as the application's main window (not owned).
    CWnd* m_pMainWnd = nullptr;

    // The application object built by static construction, or null.
    static CWinApp* Current() { return s_current; }

private:
    static CWinApp* s_current;
};

class CWinAppEx : public CWinApp {
public:
    explicit CWinAppEx(BOOL bResourceSmartUpdate = FALSE) : m_bResourceSmartUpdate(bResourceSmartUpdate) {}

private:
    BOOL m_bResourceSmartUpdate;
};

// The body of the program's entry point: runs the application object's InitInstance.
int AfxWinMain();

// The application's name: the program's string resource AFX_IDS_APP_TITLE, or the name of
// its executable file without the extension when it has none.
std::wstring AfxGetAppName();

// Windows Sockets 1.1 start-up for the process; true when it succeeded.
bool AfxSocketInit();

// Nothing to prepare: the program hosts no ActiveX controls.
inline void AfxEnableControlContainer() {}
