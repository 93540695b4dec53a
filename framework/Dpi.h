// The screen's resolution for a DPI-aware program: its pixel numbers are given for 96 DPI
// (100%) and are scaled to the DPI of the window's monitor, so that at 120, 144 or 192 DPI
// windows look the same, only larger.
#pragma once

#include <windows.h>

constexpr int BASE_DPI = 96;

// The system DPI (LOGPIXELSY of the screen), or BASE_DPI when it cannot be read. A program
// that the manifest declares DPI aware sees the real value; it does not change while the
// process runs. GetDeviceCaps works on every Windows the product supports (GetDpiForWindow
// only from Windows 10).
int SystemDpi();

// The DPI of the monitor the window is on (GetDpiForWindow); the system DPI where that call
// is missing (Windows 7 and 8, older Wine), which is then every window's DPI.
int WindowDpi(HWND window);

// When the window moves to a monitor with another DPI, the dialog manager neither resizes the
// dialog nor moves its controls (the dialog does both by its own rules on WM_DPICHANGED); it
// still hands the controls the font made for the new DPI. Nothing to do before Windows 10 1703,
// where the dialog manager does neither.
void KeepDialogLayoutOnDpiChange(HWND dialog);

// pixels given for 96 DPI, at dpi: MulDiv rounds to the nearest pixel.
inline int ScaleForDpi(int pixels, int dpi)
{
    return ::MulDiv(pixels, dpi, BASE_DPI);
}

// pixels given for 96 DPI, at the system DPI.
inline int ScaleForSystemDpi(int pixels)
{
    return ScaleForDpi(pixels, SystemDpi());
}
