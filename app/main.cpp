#include "app/OrvaneApp.h"

// The one application object.
COrvaneApp theApp;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    return AfxWinMain();
}
