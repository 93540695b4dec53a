// A stand-in web browser for the tests: appends the arguments it was started with to the file
// that ORVANE_FAKEBROWSER_LOG names, one start per line, arguments separated by tabs, UTF-8.
#include <windows.h>
#include <shellapi.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    wchar_t logPath[MAX_PATH] = {};
    DWORD length = ::GetEnvironmentVariableW(L"ORVANE_FAKEBROWSER_LOG", logPath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return 2;
    int count = 0;
    wchar_t** arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!arguments)
        return 3;
    std::wstring line;
    for (int i = 1; i < count; ++i) {
        if (i > 1)
            line += L'\t';
        line += arguments[i];
    }
    line += L'\n';
    ::LocalFree(arguments);

    int bytes = ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), (int)line.size(), nullptr, 0, nullptr, nullptr);
    std::string utf8(bytes > 0 ? bytes : 0, '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), (int)line.size(), &utf8[0], bytes, nullptr, nullptr);
    HANDLE file = ::CreateFileW(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 4;
    DWORD written = 0;
    BOOL ok = ::WriteFile(file, utf8.data(), (DWORD)utf8.size(), &written, nullptr);
    ::CloseHandle(file);
    return ok && written == utf8.size() ? 0 : 5;
}
