#include "recording/RecordFilesCommand.h"

#include <windows.h>

#include <io.h>
#include <shellapi.h>

std::optional<std::wstring> RecordFilesParameters(RecordingBook& book, bool boxSelected, DeviceId id,
                                                  const std::wstring& directory)
{
    const std::wstring file = boxSelected ? book.File(id) : std::wstring();
    if (file.empty())
        return directory;
    if (::_waccess(file.c_str(), 0) == 0)
        return L"/select," + file;
    // The recorder creates the file only once the box's response header has arrived.
    if (book.IsWanted(id))
        return std::nullopt;
    // A deleted file, or a recording that never got past its header: forget it.
    book.SetFile(id, std::wstring());
    return directory;
}

void OpenExplorer(const std::wstring& parameters)
{
    // Nothing is reported when Explorer does not start.
    ::ShellExecuteW(nullptr, L"open", L"explorer.exe", parameters.c_str(), nullptr, SW_SHOWNORMAL);
}
