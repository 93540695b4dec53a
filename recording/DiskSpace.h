// Whether the volume that holds the recordings has room left: recordings stop short of
// filling it, so that the disk stays usable for everything else.
#pragma once

#include <cstdint>
#include <string>

// The free space a volume keeps: the smaller of 1 GiB and 5% of the volume.
constexpr std::uint64_t DISK_RESERVE_LIMIT = std::uint64_t(1) << 30;
constexpr std::uint64_t DISK_RESERVE_PERCENT = 5;

// The smaller of DISK_RESERVE_LIMIT and DISK_RESERVE_PERCENT of a volume of totalBytes.
std::uint64_t DiskReserve(std::uint64_t totalBytes);

// Any thread. True when the space free to this user on the volume that holds the folder is
// below its reserve. False when the platform cannot tell: writes then report a full disk.
bool IsDiskNearlyFull(const std::wstring& folder);

// The folder part of a file path (before its last backslash); the path itself without one.
std::wstring FolderOf(const std::wstring& path);
