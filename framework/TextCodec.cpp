#include "framework/TextCodec.h"

#include <vector>

std::wstring NarrowToWide(const std::string& text, UINT codePage)
{
    if (text.empty())
        return std::wstring();
    int count = ::MultiByteToWideChar(codePage, 0, text.data(), (int)text.size(), nullptr, 0);
    if (count <= 0)
        return std::wstring();
    std::wstring wide(count, L'\0');
    ::MultiByteToWideChar(codePage, 0, text.data(), (int)text.size(), &wide[0], count);
    return wide;
}

std::string WideToNarrow(const std::wstring& text, UINT codePage)
{
    if (text.empty())
        return std::string();
    int count = ::WideCharToMultiByte(codePage, 0, text.data(), (int)text.size(), nullptr, 0, nullptr, nullptr);
    if (count <= 0)
        return std::string();
    std::string narrow(count, '\0');
    ::WideCharToMultiByte(codePage, 0, text.data(), (int)text.size(), &narrow[0], count, nullptr, nullptr);
    return narrow;
}
