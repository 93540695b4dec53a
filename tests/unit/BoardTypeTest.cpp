#include "discovery/BoardType.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

namespace {

const std::uint32_t kKnownCodes[] = {1,   100,  200,  201,  300,  500,  600,  700,  800,  801,  900,
                                     1000, 1100, 1200, 1201, 1202, 1301, 1302, 2000, 3000, 3001, 5000};

// Codes that name the same processor as another code.
const std::map<std::uint32_t, std::uint32_t> kSameProcessorAs = {
    {201, 200}, {801, 800}, {1201, 1200}, {1202, 1200}, {1302, 1301}, {3001, 3000},
};

std::wstring Processor(const std::wstring& label)
{
    return label.substr(0, label.find(L' '));
}

} // namespace

TEST(BoardType, TheTwentyTwoLabelsDiffer)
{
    std::set<std::wstring> labels;
    for (std::uint32_t code : kKnownCodes) {
        std::wstring label = BoardTypeLabel(code);
        EXPECT_NE(label, L"Unknow") << code;
        EXPECT_FALSE(label.empty()) << code;
        labels.insert(label);
    }
    EXPECT_EQ(labels.size(), 22u);
}

// Every label but the default board's is "<processor> <interfaces>"; codes tied together share
// the processor name and all others have processors of their own.
TEST(BoardType, LabelsNameTheirProcessor)
{
    std::map<std::wstring, std::uint32_t> ownerOfProcessor;
    for (std::uint32_t code : kKnownCodes) {
        if (code == 1)
            continue;
        std::wstring label = BoardTypeLabel(code);
        size_t blank = label.find(L' ');
        ASSERT_NE(blank, std::wstring::npos) << code;
        EXPECT_GT(blank, 0u) << code;
        EXPECT_LT(blank + 1, label.size()) << code;
        auto tie = kSameProcessorAs.find(code);
        if (tie != kSameProcessorAs.end()) {
            EXPECT_EQ(Processor(label), Processor(BoardTypeLabel(tie->second))) << code;
        } else {
            auto inserted = ownerOfProcessor.insert({Processor(label), code});
            EXPECT_TRUE(inserted.second) << code << " shares its processor with " << inserted.first->second;
        }
    }
}

// The part after the processor names the board's interfaces.
TEST(BoardType, LabelsNameTheBoardsInterfaces)
{
    struct Case {
        std::uint32_t code;
        const wchar_t* interfaces;
    };
    const Case cases[] = {
        {100, L"HDMI"},       {200, L"1-Input"},     {201, L"HDMI/UVC"},       {300, L"4-Input"},
        {500, L"HDMI"},       {600, L"VGA"},         {700, L"HDMI"},           {800, L"HDMI"},
        {801, L"SDI"},        {900, L"HDMI"},        {1000, L"Decoder"},       {1100, L"Decoder"},
        {1200, L"HDMI"},      {1201, L"4-HDMI"},     {1202, L"8-HDMI"},        {1301, L"4-Input"},
        {1302, L"8-Input"},   {2000, L"HDMI"},       {3000, L"Decoder"},       {3001, L"Player"},
        {5000, L"HDMI/SDI"},
    };
    for (const Case& c : cases) {
        std::wstring label = BoardTypeLabel(c.code);
        size_t blank = label.find(L' ');
        ASSERT_NE(blank, std::wstring::npos) << c.code;
        EXPECT_EQ(label.substr(blank + 1), c.interfaces) << c.code;
    }
}

TEST(BoardType, OtherCodesAreUnknow)
{
    const std::uint32_t cases[] = {0, 2, 99, 101, 202, 1303, 4999, 5001, 65536 + 100, 2147483648u, 4294967295u};
    for (std::uint32_t code : cases)
        EXPECT_EQ(BoardTypeLabel(code), L"Unknow") << code;
}
