#include "config/BrowserPath.h"

#include "framework/RegKey.h"

#include <cwctype>

namespace {

constexpr ULONG REG_TEXT_CHARS = 512;

const wchar_t USER_CHOICE_KEY[] =
    L"Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\http\\UserChoice";

bool ReadString(const CRegKey& key, const wchar_t* name, std::wstring* text)
{
    wchar_t buffer[REG_TEXT_CHARS] = {};
    ULONG chars = REG_TEXT_CHARS;
    if (key.QueryStringValue(name, buffer, &chars) != ERROR_SUCCESS)
        return false;
    *text = buffer;
    return true;
}

bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t';
}

} // namespace

std::wstring BrowserPathFromCommand(const std::wstring& command)
{
    size_t start = 0;
    while (start < command.size() && IsBlank(command[start]))
        ++start;
    if (start == command.size())
        return std::wstring();

    if (command[start] == L'"') {
        size_t close = command.find(L'"', start + 1);
        if (close == std::wstring::npos)
            return command.substr(start + 1);
        return command.substr(start + 1, close - start - 1);
    }

    std::wstring lower = command;
    for (wchar_t& c : lower)
        c = (wchar_t)std::towlower(c);
    size_t exe = lower.find(L".exe", start);
    if (exe != std::wstring::npos)
        return command.substr(start, exe + 4 - start);

    size_t end = start;
    while (end < command.size() && !IsBlank(command[end]))
        ++end;
    return command.substr(start, end - start);
}

std::wstring GetDefaultBrowserPath()
{
    std::wstring progId;
    {
        CRegKey choice;
        if (choice.Open(HKEY_CURRENT_USER, USER_CHOICE_KEY, KEY_READ) != ERROR_SUCCESS)
            return std::wstring();
        if (!ReadString(choice, L"ProgId", &progId) || progId.empty())
            return std::wstring();
    }

    const std::wstring commandKey = L"SOFTWARE\\Classes\\" + progId + L"\\shell\\open\\command";
    CRegKey command;
    if (command.Open(HKEY_LOCAL_MACHINE, commandKey.c_str(), KEY_READ) != ERROR_SUCCESS &&
        command.Open(HKEY_CURRENT_USER, commandKey.c_str(), KEY_READ) != ERROR_SUCCESS)
        return std::wstring();
    std::wstring commandText;
    if (!ReadString(command, nullptr, &commandText))
        return std::wstring();
    return BrowserPathFromCommand(commandText);
}
