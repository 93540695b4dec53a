#include "tests/unit/CaptionExtent.h"

CaptionExtent MeasureCaption(HWND control)
{
    CaptionExtent caption;
    wchar_t text[256] = {};
    ::GetWindowTextW(control, text, 256);
    caption.text = text;
    HDC dc = ::GetDC(control);
    HGDIOBJ old = ::SelectObject(dc, (HGDIOBJ)::SendMessageW(control, WM_GETFONT, 0, 0));
    ::GetTextExtentPoint32W(dc, caption.text.c_str(), (int)caption.text.size(), &caption.size);
    ::SelectObject(dc, old);
    ::ReleaseDC(control, dc);
    return caption;
}
