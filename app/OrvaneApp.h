#pragma once

#include "framework/WinApp.h"

class COrvaneApp : public CWinAppEx {
public:
    COrvaneApp() : CWinAppEx(TRUE) {}
    BOOL InitInstance() override;
};
