#include "framework/WinApp.h"

#include <winsock2.h>

CWinApp* CWinApp::s_current = nullptr;

CWinApp::CWinApp()
{
    s_current = this;
}

int AfxWinMain()
{
    CWinApp* app = CWinApp::Current();
    if (!app)
        return -1;
    // InitInstance runs the main dialog; FALSE means there is no message loop to run after it.
    app->InitInstance();
    return 0;
}

bool AfxSocketInit()
{
    WSADATA data;
    return ::WSAStartup(MAKEWORD(1, 1), &data) == 0;
}
