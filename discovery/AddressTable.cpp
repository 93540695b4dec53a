#include "discovery/AddressTable.h"

bool ReadIpAddressTable(std::vector<MIB_IPADDRROW>* rows)
{
    ULONG size = 0;
    if (::GetIpAddrTable(nullptr, &size, FALSE) != ERROR_INSUFFICIENT_BUFFER)
        return false;
    std::vector<unsigned char> buffer(size, 0);
    MIB_IPADDRTABLE* table = reinterpret_cast<MIB_IPADDRTABLE*>(buffer.data());
    if (::GetIpAddrTable(table, &size, FALSE) != NO_ERROR)
        return false;
    rows->assign(table->table, table->table + table->dwNumEntries);
    return true;
}
