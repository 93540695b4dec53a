#include "discovery/Ipv4Text.h"

#include "framework/TextCodec.h"

#include <cstdio>
#include <ctime>

Ipv4Net Ipv4FromText(const char* text)
{
    int a = 0, b = 0, c = 0, d = 0;
    if (!text || std::sscanf(text, "%d.%d.%d.%d", &a, &b, &c, &d) != 4)
        return 0;
    return (std::uint32_t)a + (std::uint32_t)b * 256u + (std::uint32_t)c * 65536u + (std::uint32_t)d * 16777216u;
}

Ipv4Net Ipv4FromText(const std::wstring& text)
{
    return Ipv4FromText(WideToNarrow(text).c_str());
}

std::string Ipv4ToText(Ipv4Net address)
{
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", address & 255, (address >> 8) & 255, (address >> 16) & 255,
                  (address >> 24) & 255);
    return text;
}

std::string Ipv4HostToText(Ipv4Host address)
{
    return Ipv4ToText(Ipv4NetFromHost(address));
}

std::string FormatLocalTime(std::uint32_t secondsSince1970)
{
    __time64_t seconds = (__time64_t)(std::uint64_t)secondsSince1970;
    struct tm local;
    if (_localtime64_s(&local, &seconds) != 0)
        return "00:00:00";
    char text[128];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}
