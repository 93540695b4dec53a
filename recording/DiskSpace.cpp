#include "recording/DiskSpace.h"

#include <windows.h>

#include <algorithm>

std::uint64_t DiskReserve(std::uint64_t totalBytes)
{
    return std::min(DISK_RESERVE_LIMIT, totalBytes / 100 * DISK_RESERVE_PERCENT);
}

bool IsDiskNearlyFull(const std::wstring& folder)
{
    ULARGE_INTEGER freeToCaller = {}, total = {}, totalFree = {};
    // The folder needs a trailing backslash when it is a share's root; one is always allowed.
    if (!::GetDiskFreeSpaceExW((folder + L"\\").c_str(), &freeToCaller, &total, &totalFree))
        return false;
    return freeToCaller.QuadPart < DiskReserve(total.QuadPart);
}

std::wstring FolderOf(const std::wstring& path)
{
    const std::size_t backslash = path.rfind(L'\\');
    return backslash == std::wstring::npos ? path : path.substr(0, backslash);
}
