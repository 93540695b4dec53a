#include "tests/unit/TestLan.h"

#include "discovery/AddressTable.h"
#include "discovery/Ipv4Text.h"

#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace {

// The inode number of a file of the Linux side (Wine shows its root as drive Z: and gives a
// file's inode as its internal file index), or 0 when it cannot be read.
ULONGLONG LinuxInode(const std::wstring& path)
{
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    // GetFileInformationByHandle fails on namespace files under Wine; the internal index alone does not.
    IO_STATUS_BLOCK status = {};
    FILE_INTERNAL_INFORMATION internal = {};
    const NTSTATUS read = ::NtQueryInformationFile(file, &status, &internal, sizeof internal, FileInternalInformation);
    ::CloseHandle(file);
    return read == 0 ? (ULONGLONG)internal.IndexNumber.QuadPart : 0;
}

// What `ip netns identify` checks: `ip netns add` bind-mounts each named namespace on
// /run/netns/NAME, so the process's own namespace (/proc/self/ns/net, the same inode) is named
// when one of those files is it. Wine opens files in its server, which scripts/test starts
// inside the namespace too.
bool InNamedNetworkNamespace()
{
    const ULONGLONG own = LinuxInode(L"Z:\\proc\\self\\ns\\net");
    if (own == 0)
        return false;
    WIN32_FIND_DATAW entry;
    HANDLE search = ::FindFirstFileW(L"Z:\\run\\netns\\*", &entry);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    bool named = false;
    do {
        const std::wstring name = entry.cFileName;
        if (name != L"." && name != L".." && LinuxInode(L"Z:\\run\\netns\\" + name) == own)
            named = true;
    } while (!named && ::FindNextFileW(search, &entry));
    ::FindClose(search);
    return named;
}

// The local IPv4 addresses with their netmasks, loopback left out, sorted: the machine's own
// network never has exactly the test LAN's.
bool HasExactlyTheTestLanAddresses()
{
    std::vector<MIB_IPADDRROW> rows;
    if (!ReadIpAddressTable(&rows))
        return false;
    std::vector<std::pair<std::string, std::string>> local;
    for (const MIB_IPADDRROW& row : rows) {
        const std::string address = Ipv4ToText(row.dwAddr);
        if (address.compare(0, 4, "127.") != 0)
            local.emplace_back(address, Ipv4ToText(row.dwMask));
    }
    std::vector<std::pair<std::string, std::string>> wanted;
    for (const TestLanAddress& lan : TEST_LAN_PC_ADDRESSES)
        wanted.emplace_back(lan.address, lan.netmask);
    std::sort(local.begin(), local.end());
    std::sort(wanted.begin(), wanted.end());
    return local == wanted;
}

} // namespace

std::string EnvText(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool OnTestLan()
{
    // Asked once: the answer cannot change while the process runs.
    static const bool onTestLan =
        EnvText("ORVANE_TEST_LAN") == "1" && InNamedNetworkNamespace() && HasExactlyTheTestLanAddresses();
    return onTestLan;
}

std::string PcAddress()
{
    std::string address = EnvText("ORVANE_PC_ADDR");
    return address.empty() ? TEST_LAN_PC_ADDRESSES[0].address : address;
}
