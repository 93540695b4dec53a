#include "framework/Dpi.h"

namespace {

// A user32 function of a later Windows than the oldest one supported, or null where it is
// missing; looked up when called, so that the program still starts there.
template <class Function>
Function User32Function(const char* name)
{
    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(user32, name))) : nullptr;
}

} // namespace

int SystemDpi()
{
    HDC screen = ::GetDC(nullptr);
    if (!screen)
        return BASE_DPI;
    int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : BASE_DPI;
}

int WindowDpi(HWND window)
{
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
    const int dpi = getDpiForWindow ? (int)getDpiForWindow(window) : 0;
    return dpi > 0 ? dpi : SystemDpi();
}

void KeepDialogLayoutOnDpiChange(HWND dialog)
{
    using SetBehaviorFunction = BOOL(WINAPI*)(HWND, DIALOG_DPI_CHANGE_BEHAVIORS, DIALOG_DPI_CHANGE_BEHAVIORS);
    static const auto setBehavior = User32Function<SetBehaviorFunction>("SetDialogDpiChangeBehavior");
    const auto ownLayout = (DIALOG_DPI_CHANGE_BEHAVIORS)(DDC_DISABLE_RESIZE | DDC_DISABLE_CONTROL_RELAYOUT);
    if (setBehavior)
        setBehavior(dialog, ownLayout, ownLayout);
}
