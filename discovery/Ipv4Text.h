// Text conversions of addresses and times shared by discovery, Set and the web page.
// All are thread-safe: none uses a shared static buffer.
#pragma once

#include "discovery/DeviceDatagram.h"

#include <string>

// Four dot-separated signed decimal numbers a.b.c.d -> a + b*256 + c*65536 + d*16777216
// (mod 2^32): the Ipv4Net form. Anything after the fourth number is ignored. Text that
// does not start with four dot-separated numbers gives 0 (0.0.0.0).
Ipv4Net Ipv4FromText(const char* text);
// The same for wide text (a list cell or an edit's text), read in the thread's ANSI code page.
Ipv4Net Ipv4FromText(const std::wstring& text);

// The four bytes of an Ipv4Net value, lowest first, joined by dots.
std::string Ipv4ToText(Ipv4Net address);

// a<<24 | b<<16 | c<<8 | d -> "a.b.c.d".
std::string Ipv4HostToText(Ipv4Host address);

// Local time of the given seconds since 1970 as HH:MM:SS; "00:00:00" when it cannot be converted.
std::string FormatLocalTime(std::uint32_t secondsSince1970);

// The Ipv4Net form of a host-order number and back (byte swap on our little-endian hosts).
inline Ipv4Net Ipv4NetFromHost(Ipv4Host host)
{
    return ((host >> 24) & 0xFF) | ((host >> 8) & 0xFF00) | ((host << 8) & 0xFF0000) | ((host << 24) & 0xFF000000u);
}
inline Ipv4Host Ipv4HostFromNet(Ipv4Net net) { return Ipv4NetFromHost(net); }
