// What the search dialog's text means: the addresses each entry covers, the separators, and
// the refusals (a malformed entry quoted, a total over the limit named with the limit).
#include "discovery/SearchRanges.h"
#include "tests/unit/MainDialogHarness.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Covered {
    const wchar_t* text;
    const char* first;  // the lowest address, dotted
    const char* last;   // the highest address, dotted
    std::size_t count;
};

// Every case covers one contiguous run from first to last.
const Covered COVERED[] = {
    {L"172.30.1.0/24", "172.30.1.1", "172.30.1.254", 254},
    {L"172.30.1.77/24", "172.30.1.1", "172.30.1.254", 254},  // host bits are ignored
    {L"172.30.0.0/16", "172.30.0.1", "172.30.255.254", 65534},
    {L"172.30.4.0/30", "172.30.4.1", "172.30.4.2", 2},
    {L"172.30.4.6/31", "172.30.4.6", "172.30.4.7", 2},
    {L"172.30.4.9/32", "172.30.4.9", "172.30.4.9", 1},
    {L"172.30.2.1-172.30.2.254", "172.30.2.1", "172.30.2.254", 254},
    {L"172.30.2.1-254", "172.30.2.1", "172.30.2.254", 254},
    {L"172.30.2.9-9", "172.30.2.9", "172.30.2.9", 1},
    {L"172.30.2.250-172.30.3.5", "172.30.2.250", "172.30.3.5", 12},
    {L"172.30.3.7", "172.30.3.7", "172.30.3.7", 1},
    {L"  172.30.3.7 \r\n", "172.30.3.7", "172.30.3.7", 1},
    {L"0.0.0.0/32", "0.0.0.0", "0.0.0.0", 1},
    {L"255.255.255.254-255", "255.255.255.254", "255.255.255.255", 2},
};

TEST(SearchRanges, EachFormCoversItsAddressesNetworkAndBroadcastOnlyForSlash31And32)
{
    for (const Covered& c : COVERED) {
        SCOPED_TRACE(std::string(c.text, c.text + std::wcslen(c.text)));
        const SearchRanges ranges = ParseSearchRanges(c.text);
        ASSERT_TRUE(ranges.Accepted()) << std::string(ranges.refusal.begin(), ranges.refusal.end());
        ASSERT_EQ(ranges.addresses.size(), c.count);
        EXPECT_EQ(ranges.addresses.front(), HostAddress(c.first));
        EXPECT_EQ(ranges.addresses.back(), HostAddress(c.last));
        for (std::size_t i = 1; i < ranges.addresses.size(); ++i)
            ASSERT_EQ(ranges.addresses[i], ranges.addresses[i - 1] + 1);
    }
}

TEST(SearchRanges, EveryPrefixFromSlash8ToSlash30LeavesOutNetworkAndBroadcast)
{
    // Only the prefixes whose blocks fit the limit can be expanded; the count shows the rule.
    for (int prefix = 16; prefix <= 30; ++prefix) {
        SCOPED_TRACE(prefix);
        const SearchRanges ranges = ParseSearchRanges(L"10.20.0.0/" + std::to_wstring(prefix));
        ASSERT_TRUE(ranges.Accepted());
        const std::size_t size = std::size_t(1) << (32 - prefix);
        ASSERT_EQ(ranges.addresses.size(), size - 2);
        EXPECT_EQ(ranges.addresses.front(), HostAddress("10.20.0.1"));
        EXPECT_EQ(ranges.addresses.back(), HostAddress("10.20.0.0") + size - 2);
    }
    for (int prefix = 8; prefix < 16; ++prefix) {
        SCOPED_TRACE(prefix);
        const SearchRanges ranges = ParseSearchRanges(L"10.0.0.0/" + std::to_wstring(prefix));
        ASSERT_FALSE(ranges.Accepted());
        const std::wstring total = std::to_wstring((std::size_t(1) << (32 - prefix)) - 2);
        EXPECT_NE(ranges.refusal.find(total), std::wstring::npos) << "the total of the host addresses";
    }
}

TEST(SearchRanges, EntriesAreSeparatedByLineBreaksCommasAndBlanksAndCountedOnce)
{
    const SearchRanges ranges =
        ParseSearchRanges(L"10.1.1.5\r\n10.1.1.1-3,10.1.1.4 \t 10.1.1.2\n\n,10.1.1.0/30,,10.1.2.9");
    ASSERT_TRUE(ranges.Accepted());
    const std::vector<Ipv4Host> expected = {HostAddress("10.1.1.1"), HostAddress("10.1.1.2"),
                                            HostAddress("10.1.1.3"), HostAddress("10.1.1.4"),
                                            HostAddress("10.1.1.5"), HostAddress("10.1.2.9")};
    EXPECT_EQ(ranges.addresses, expected);
}

TEST(SearchRanges, AMalformedEntryIsRefusedQuotingIt)
{
    const wchar_t* const MALFORMED[] = {
        L"172.30.1",          L"172.30.1.256",     L"172.30.1.1.1",       L"172.30.1.0/33",
        L"172.30.1.0/",       L"172.30.1.0/24/1",  L"172.30.2.9-172.30.2.1", L"172.30.2.9-8",
        L"172.30.2.1-256",    L"172.30.2.1-",      L"-172.30.2.1",        L"host.example",
        L"172.30.1.0/2x",     L"172.30.1.1;",      L"1234.1.1.1",         L"172.30.2.1-172.30.2",
        L"172.30.1.+1",       L"172.30.1.0 /24",
    };
    for (const wchar_t* entry : MALFORMED) {
        const std::wstring text = std::wstring(L"10.0.0.1, ") + entry + L"\r\n10.0.0.2";
        SCOPED_TRACE(std::string(text.begin(), text.end()));
        const SearchRanges ranges = ParseSearchRanges(text);
        ASSERT_FALSE(ranges.Accepted());
        EXPECT_TRUE(ranges.addresses.empty());
        // "172.30.1.0 /24" splits at the blank: "/24" is the entry refused.
        const std::wstring quoted = std::wstring(entry) == L"172.30.1.0 /24" ? L"\"/24\"" : L"\"" + std::wstring(entry) + L"\"";
        EXPECT_NE(ranges.refusal.find(quoted), std::wstring::npos)
            << std::string(ranges.refusal.begin(), ranges.refusal.end());
    }
}

TEST(SearchRanges, AnEmptyTextIsRefused)
{
    EXPECT_FALSE(ParseSearchRanges(L"").Accepted());
    EXPECT_FALSE(ParseSearchRanges(L" \r\n, ").Accepted());
}

TEST(SearchRanges, AtMost65536AddressesInAllTheLimitItselfAccepted)
{
    // A /16 with its network and broadcast address: exactly the limit.
    const SearchRanges exact = ParseSearchRanges(L"172.30.0.0/16 172.30.0.0 172.30.255.255");
    ASSERT_TRUE(exact.Accepted());
    EXPECT_EQ(exact.addresses.size(), MAX_SEARCH_ADDRESSES);

    const SearchRanges overlapping = ParseSearchRanges(L"172.30.0.0-172.30.255.255, 172.30.7.0/24");
    ASSERT_TRUE(overlapping.Accepted()) << "common addresses count once";
    EXPECT_EQ(overlapping.addresses.size(), MAX_SEARCH_ADDRESSES);

    const SearchRanges over = ParseSearchRanges(L"172.30.0.0/16 172.30.0.0 172.30.255.255 172.31.0.1");
    ASSERT_FALSE(over.Accepted());
    EXPECT_TRUE(over.addresses.empty());
    EXPECT_NE(over.refusal.find(L"65537"), std::wstring::npos);
    EXPECT_NE(over.refusal.find(L"65536"), std::wstring::npos);
    EXPECT_NE(over.refusal.find(L"\"172.31.0.1\""), std::wstring::npos) << "the entry that goes over the limit";

    const SearchRanges whole = ParseSearchRanges(L"0.0.0.0/0");
    ASSERT_FALSE(whole.Accepted());
    EXPECT_NE(whole.refusal.find(L"4294967294"), std::wstring::npos);
    EXPECT_NE(whole.refusal.find(L"\"0.0.0.0/0\""), std::wstring::npos);
}

} // namespace
