#include "framework/WinApp.h"

#include "framework/AfxRes.h"
#include "framework/ResourceString.h"

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

std::wstring AfxGetAppName()
{
    const std::wstring title = LoadResourceString(AFX_IDS_APP_TITLE);
    if (!title.empty())
        return title;

    wchar_t path[MAX_PATH] = {};
    DWORD pathLength = ::GetModuleFileNameW(::GetModuleHandleW(nullptr), path, MAX_PATH);
    std::wstring name(path, pathLength < MAX_PATH ? pathLength : 0);
    name.erase(0, name.find_last_of(L"\\/") + 1);
    return name.substr(0, name.rfind(L'.'));
}
