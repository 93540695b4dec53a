#include "recording/RecordingFileNames.h"

#include "framework/TextCodec.h"

#include <windows.h>

std::string WideToAnsi(const wchar_t* text)
{
    return WideToNarrow(text, CP_ACP);
}

std::wstring GetExecutableDirectory()
{
    wchar_t buffer[261] = {};
    ::GetModuleFileNameW(nullptr, buffer, 261);
    const std::wstring path(buffer);
    const std::size_t backslash = path.rfind(L'\\');
    return backslash == std::wstring::npos ? std::wstring() : path.substr(0, backslash);
}

std::wstring RecordingFileName(const std::wstring& directory, const std::wstring& host, const std::tm& localTime)
{
    char stamp[100] = {};
    std::strftime(stamp, sizeof stamp, "%Y%m%d_%H%M%S", &localTime);
    return directory + L"\\" + host + L"_" + NarrowToWide(stamp) + L".ts";
}

// A time that has no local time gives the name of an all-zero time, taken or not.
std::wstring FreeRecordingFileName(const std::wstring& directory, const std::wstring& host, __time64_t start,
                                   const std::function<bool(const std::wstring&)>& isTaken)
{
    for (;; ++start) {
        const std::tm* local = ::_localtime64(&start);
        const std::wstring path = RecordingFileName(directory, host, local ? *local : std::tm{});
        if (!local || !isTaken(path))
            return path;
    }
}
