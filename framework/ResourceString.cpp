#include "framework/ResourceString.h"

std::wstring LoadResourceString(UINT id)
{
    // With a buffer size of 0, LoadStringW hands out the resource's own read-only text, which
    // is not terminated: the length counts its characters.
    const wchar_t* text = nullptr;
    const int length = ::LoadStringW(::GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || !text)
        return std::wstring();
    return std::wstring(text, (std::size_t)length);
}
