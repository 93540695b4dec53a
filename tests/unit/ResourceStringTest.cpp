// The operator texts of the string table: every id of app/resource.h has its text, and the
// texts that the resource compiler reads through escapes (quotes, line breaks, tabs, blanks at
// either end) come out with exactly the characters the program shows.
#include "app/resource.h"
#include "framework/ResourceString.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ResourceStrings, EveryOperatorTextLoads)
{
    for (UINT id = IDS_FIRST; id <= IDS_LAST; ++id)
        EXPECT_FALSE(LoadResourceString(id).empty()) << "string resource " << id;
}

TEST(ResourceStrings, AMissingIdGivesAnEmptyText)
{
    EXPECT_EQ(LoadResourceString(IDS_LAST + 1), L"");
}

struct EscapedText {
    UINT id;
    const wchar_t* text;
};

const EscapedText ESCAPED_TEXTS[] = {
    {IDS_MENU_COPY, L"&Copy\tCtrl+C"},
    {IDS_MENU_SEARCH_NETWORKS, L"Search networks...\tCtrl+F"},
    {IDS_SET_CONFIRMATION, L"This will set a static IP address on the ethernet adapter of your device!\nAre you sure?"},
    {IDS_SET_REFUSED_OPEN, L": \""},
    {IDS_ADAPTER_NAME_OPEN, L"\""},
    {IDS_ALIAS_FAILED_REASON, L":\n"},
    {IDS_SEARCH_TOO_MANY_AT, L" can be searched at once.\nThe entries go over the limit at \""},
    {IDS_SEARCH_TOO_MANY_END, L"\"."},
    {IDS_TITLE_MY_IP, L"My IP: "},
    {IDS_TITLE_FIREWALL, L" (Please disable firewall before scan!)"},
    {IDS_HEALTH_NO_DATA_SECONDS, L" s"},
    {IDS_RECORD_FILE_NOT_YET, L"File not existed! Connect don't established until now!"},
    {IDS_SEARCH_DONE, L"Done: %llu addresses probed, %llu boxes answered in %.1f s"},
};

TEST(ResourceStrings, EscapedCharactersArriveAsWritten)
{
    for (const EscapedText& expected : ESCAPED_TEXTS)
        EXPECT_EQ(LoadResourceString(expected.id), expected.text) << "string resource " << expected.id;
}

} // namespace
