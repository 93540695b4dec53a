#include "config/IpHelperSeam.h"

#include <iphlpapi.h>

namespace {

class SystemCalls : public IpHelper {
public:
    DWORD AddIPAddress(Ipv4Net address, Ipv4Net netmask, DWORD interfaceIndex, ULONG* nteContext,
                       ULONG* nteInstance) override
    {
        return ::AddIPAddress(address, netmask, interfaceIndex, nteContext, nteInstance);
    }
    DWORD FlushIpNetTable(DWORD interfaceIndex) override { return ::FlushIpNetTable(interfaceIndex); }
};

} // namespace

IpHelper& SystemIpHelper()
{
    static SystemCalls calls;
    return calls;
}
