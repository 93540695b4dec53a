#include "discovery/SearchRanges.h"

#include "discovery/DiscoveryStrings.h"
#include "framework/ResourceString.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace {

const wchar_t ENTRY_SEPARATORS[] = L" \t\r\n,";

// Both ends included.
struct AddressInterval {
    std::uint64_t first;
    std::uint64_t last;
};

// Reads a decimal number of one to maxDigits digits at text[at]; moves at past it.
bool ReadNumber(const std::wstring& text, std::size_t& at, unsigned maxDigits, unsigned maxValue, unsigned* value)
{
    unsigned digits = 0;
    unsigned number = 0;
    while (at < text.size() && text[at] >= L'0' && text[at] <= L'9' && digits < maxDigits) {
        number = number * 10 + (text[at] - L'0');
        ++at;
        ++digits;
    }
    if (digits == 0 || number > maxValue)
        return false;
    // A fourth digit is no octet: "1234" must not read as "123" followed by "4".
    if (at < text.size() && text[at] >= L'0' && text[at] <= L'9')
        return false;
    *value = number;
    return true;
}

bool ReadAddress(const std::wstring& text, std::size_t& at, Ipv4Host* address)
{
    Ipv4Host result = 0;
    for (int octet = 0; octet < 4; ++octet) {
        if (octet > 0) {
            if (at >= text.size() || text[at] != L'.')
                return false;
            ++at;
        }
        unsigned value = 0;
        if (!ReadNumber(text, at, 3, 255, &value))
            return false;
        result = (result << 8) | value;
    }
    *address = result;
    return true;
}

// One entry without separators; false when it is none of the three forms.
bool ParseEntry(const std::wstring& entry, AddressInterval* interval)
{
    std::size_t at = 0;
    Ipv4Host first = 0;
    if (!ReadAddress(entry, at, &first))
        return false;
    if (at == entry.size()) {
        *interval = {first, first};
        return true;
    }
    if (entry[at] == L'/') {
        ++at;
        unsigned prefix = 0;
        if (!ReadNumber(entry, at, 2, 32, &prefix) || at != entry.size())
            return false;
        const std::uint64_t size = std::uint64_t(1) << (32 - prefix);
        const std::uint64_t network = first & ~(size - 1);
        if (prefix <= 30)
            *interval = {network + 1, network + size - 2};  // without network and broadcast address
        else
            *interval = {network, network + size - 1};
        return true;
    }
    if (entry[at] != L'-')
        return false;
    ++at;
    const std::size_t endStart = at;
    Ipv4Host last = 0;
    if (!ReadAddress(entry, at, &last)) {
        // The short form: only the last octet of the end.
        at = endStart;
        unsigned lastOctet = 0;
        if (!ReadNumber(entry, at, 3, 255, &lastOctet))
            return false;
        last = (first & 0xFFFFFF00u) | lastOctet;
    }
    if (at != entry.size() || last < first)
        return false;
    *interval = {first, last};
    return true;
}

std::wstring MalformedEntryText(const std::wstring& entry)
{
    return LoadResourceString(IDS_SEARCH_MALFORMED_OPEN) + entry + LoadResourceString(IDS_SEARCH_MALFORMED);
}

std::wstring TooManyAddressesText(std::uint64_t total, const std::wstring& entry)
{
    return LoadResourceString(IDS_SEARCH_TOO_MANY) + std::to_wstring(total) + LoadResourceString(IDS_SEARCH_TOO_MANY_LIMIT) +
           std::to_wstring(MAX_SEARCH_ADDRESSES) + LoadResourceString(IDS_SEARCH_TOO_MANY_AT) + entry +
           LoadResourceString(IDS_SEARCH_TOO_MANY_END);
}


// Different addresses the intervals cover: overlapping entries count their common addresses once.
std::vector<AddressInterval> Merged(std::vector<AddressInterval> intervals)
{
    std::sort(intervals.begin(), intervals.end(),
              [](const AddressInterval& a, const AddressInterval& b) { return a.first < b.first; });
    std::vector<AddressInterval> merged;
    for (const AddressInterval& interval : intervals) {
        if (!merged.empty() && interval.first <= merged.back().last + 1)
            merged.back().last = std::max(merged.back().last, interval.last);
        else
            merged.push_back(interval);
    }
    return merged;
}

std::uint64_t AddressCount(const std::vector<AddressInterval>& merged)
{
    std::uint64_t total = 0;
    for (const AddressInterval& interval : merged)
        total += interval.last - interval.first + 1;
    return total;
}

// The index of the first entry with which the entries so far cover more than the limit (the
// count only grows entry by entry, so a binary search finds it).
std::size_t EntryOverLimit(const std::vector<AddressInterval>& intervals)
{
    std::size_t low = 0;
    std::size_t high = intervals.size() - 1;
    while (low < high) {
        const std::size_t middle = (low + high) / 2;
        const std::vector<AddressInterval> prefix(intervals.begin(), intervals.begin() + middle + 1);
        if (AddressCount(Merged(prefix)) > MAX_SEARCH_ADDRESSES)
            high = middle;
        else
            low = middle + 1;
    }
    return low;
}

} // namespace

SearchRanges ParseSearchRanges(const std::wstring& text)
{
    SearchRanges result;
    std::vector<AddressInterval> intervals;
    std::vector<std::wstring> entries;
    std::size_t at = 0;
    for (;;) {
        at = text.find_first_not_of(ENTRY_SEPARATORS, at);
        if (at == std::wstring::npos)
            break;
        std::size_t end = text.find_first_of(ENTRY_SEPARATORS, at);
        if (end == std::wstring::npos)
            end = text.size();
        entries.push_back(text.substr(at, end - at));
        AddressInterval interval;
        if (!ParseEntry(entries.back(), &interval)) {
            result.refusal = MalformedEntryText(entries.back());
            return result;
        }
        intervals.push_back(interval);
        at = end;
    }
    if (intervals.empty()) {
        result.refusal = LoadResourceString(IDS_SEARCH_NO_ENTRY);
        return result;
    }

    const std::vector<AddressInterval> merged = Merged(intervals);
    const std::uint64_t total = AddressCount(merged);
    if (total > MAX_SEARCH_ADDRESSES) {
        result.refusal = TooManyAddressesText(total, entries[EntryOverLimit(intervals)]);
        return result;
    }
    result.addresses.reserve((std::size_t)total);
    for (const AddressInterval& interval : merged) {
        for (std::uint64_t address = interval.first; address <= interval.last; ++address)
            result.addresses.push_back((Ipv4Host)address);
    }
    return result;
}
