// The two IP Helper calls with which the web page command changes the host: adding an alias
// address to an adapter and flushing its ARP table. The program uses SystemIpHelper(); tests
// put a recorder in its place, because Wine answers both calls with ERROR_NOT_SUPPORTED and
// a real alias would change the test machine.
#pragma once

#include "discovery/DeviceDatagram.h"

#include <windows.h>

class IpHelper {
public:
    virtual ~IpHelper() = default;
    // AddIPAddress: NO_ERROR or the error code; the NTE context is defined only on success.
    virtual DWORD AddIPAddress(Ipv4Net address, Ipv4Net netmask, DWORD interfaceIndex, ULONG* nteContext,
                               ULONG* nteInstance) = 0;
    // FlushIpNetTable: NO_ERROR or the error code.
    virtual DWORD FlushIpNetTable(DWORD interfaceIndex) = 0;
};

// The real calls; one stateless object for the whole process.
IpHelper& SystemIpHelper();
