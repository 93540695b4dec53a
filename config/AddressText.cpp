#include "config/AddressText.h"

#include <cstdint>

namespace {

bool ParseDottedQuad(const std::wstring& text, std::uint32_t* host)
{
    size_t i = 0;
    const size_t n = text.size();
    while (i < n && (text[i] == L' ' || text[i] == L'\t'))
        ++i;
    std::uint32_t value = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (i >= n || text[i] != L'.')
                return false;
            ++i;
        }
        int digits = 0;
        unsigned number = 0;
        while (i < n && text[i] >= L'0' && text[i] <= L'9' && digits < 4) {
            number = number * 10 + (unsigned)(text[i] - L'0');
            ++digits;
            ++i;
        }
        if (digits == 0 || digits > 3 || number > 255)
            return false;
        value = value << 8 | number;
    }
    while (i < n && (text[i] == L' ' || text[i] == L'\t'))
        ++i;
    if (i != n)
        return false;
    *host = value;
    return true;
}

} // namespace

bool IsIpv4AddressText(const std::wstring& text)
{
    std::uint32_t host;
    return ParseDottedQuad(text, &host);
}

bool IsNetmaskText(const std::wstring& text)
{
    std::uint32_t host;
    if (!ParseDottedQuad(text, &host))
        return false;
    // Contiguous: the inverted mask plus one is a power of two (or zero for 255.255.255.255).
    std::uint32_t hostBits = ~host;
    return (hostBits & (hostBits + 1)) == 0;
}
