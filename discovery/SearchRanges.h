// What the operator asks a network search to cover: the text of the search dialog read as
// entries (CIDR blocks, address ranges, single addresses) and turned into the addresses to probe.
#pragma once

#include "discovery/DeviceDatagram.h"

#include <cstddef>
#include <string>
#include <vector>

// The most addresses one search may cover (a /16 plus its network and broadcast addresses).
constexpr std::size_t MAX_SEARCH_ADDRESSES = 65536;

struct SearchRanges {
    // Every address to probe, once each, in ascending order; empty when refused.
    std::vector<Ipv4Host> addresses;
    // Why the text was refused (quoting the entry, or giving the total and the limit); empty
    // when accepted.
    std::wstring refusal;

    bool Accepted() const { return refusal.empty(); }
};

// Entries are separated by line breaks, commas, blanks or tabs:
//   a.b.c.d/n          a CIDR block; /8 to /30 (and wider) give its host addresses only, without
//                      the network and broadcast address; /31 and /32 give all their addresses.
//                      Host bits set in a.b.c.d are ignored (10.0.0.7/24 is 10.0.0.0/24).
//   a.b.c.d-e.f.g.h    a range, both ends included; the end may not lie before the start.
//   a.b.c.d-n          the short form of a.b.c.d-a.b.c.n.
//   a.b.c.d            one address.
// Numbers are decimal, each octet 0 to 255. A text with no entry is refused, as is one whose
// entries cover more than MAX_SEARCH_ADDRESSES different addresses.
SearchRanges ParseSearchRanges(const std::wstring& text);
