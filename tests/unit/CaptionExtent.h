// A control's caption and the size it takes when drawn in the control's own font: what the
// window tests hold against the control's size, so that no caption is cut off.
#pragma once

#include <windows.h>

#include <string>

struct CaptionExtent {
    std::wstring text;
    SIZE size = {};
};
CaptionExtent MeasureCaption(HWND control);
