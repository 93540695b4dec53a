#include "app/OrvaneApp.h"

#include "app/OrvaneDlg.h"

#include <commctrl.h>

BOOL COrvaneApp::InitInstance()
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    CWinApp::InitInstance();
    AfxEnableControlContainer();

    COrvaneDlg dialog;
    m_pMainWnd = &dialog;
    dialog.DoModal();
    // FALSE: the application ends without a message loop of its own.
    return FALSE;
}
