// Which texts the Set dialog accepts as an address and as a netmask.
#include "config/AddressText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct TextCase {
    const wchar_t* text;
    bool isAddress;
    bool isNetmask;
};

TEST(SetAddressText, AcceptsFourNumbersFrom0To255AndContiguousMasks)
{
    const TextCase cases[] = {
        {L"10.86.1.13", true, false},
        {L"192.168.1.10", true, false},
        {L"0.0.0.0", true, true},
        {L"255.255.255.255", true, true},
        {L" 10.0.0.1\t", true, false},  // blanks around the text
        {L"010.001.1.1", true, false},  // leading zeros, still decimal
        {L"255.255.255.0", true, true},
        {L"255.255.240.0", true, true},
        {L"128.0.0.0", true, true},
        {L"255.255.255.254", true, true},
        {L"255.0.255.0", true, false},  // holes in the mask
        {L"255.255.255.1", true, false},
        {L"0.255.255.255", true, false},
        {L"", false, false},
        {L"   ", false, false},
        {L"10.86.1", false, false},
        {L"10.86.1.256", false, false},
        {L"1.2.256.4", false, false},  // would carry into the next byte when read
        {L"10.86.1.1.5", false, false},
        {L"10..1.1", false, false},
        {L"-1.2.3.4", false, false},
        {L"+1.2.3.4", false, false},
        {L"1.2.3.4x", false, false},
        {L"1.2.3.4 5", false, false},
        {L"1234.1.1.1", false, false},
        {L"0255.1.1.1", false, false},
        {L"10.86.1.1/24", false, false},
        {L"a.b.c.d", false, false},
        {L"1.2.3.\x0663", false, false},  // a non-ASCII digit
    };
    for (const TextCase& c : cases) {
        const std::wstring wide = c.text;
        const std::string shown(wide.begin(), wide.end());  // enough to name the case
        EXPECT_EQ(IsIpv4AddressText(c.text), c.isAddress) << "\"" << shown << "\"";
        EXPECT_EQ(IsNetmaskText(c.text), c.isNetmask) << "\"" << shown << "\"";
    }
}

} // namespace
