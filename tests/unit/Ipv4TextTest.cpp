#include "discovery/Ipv4Text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

namespace {

// The Ipv4Net value of a.b.c.d as it sits in memory: a, b, c, d from the lowest byte up.
Ipv4Net NetBytes(unsigned char a, unsigned char b, unsigned char c, unsigned char d)
{
    const unsigned char bytes[4] = {a, b, c, d};
    Ipv4Net value;
    std::memcpy(&value, bytes, 4);
    return value;
}

std::uint32_t LocalMoment(int year, int month, int day, int hour, int minute, int second)
{
    std::tm local = {};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    return (std::uint32_t)std::mktime(&local);
}

// Sets the runtime's time zone for one test and puts the previous one back.
class TimeZone {
public:
    explicit TimeZone(const char* tz)
    {
        const char* old = std::getenv("TZ");
        m_had = old != nullptr;
        if (m_had)
            m_old = old;
        _putenv_s("TZ", tz);
        _tzset();
    }
    ~TimeZone()
    {
        _putenv_s("TZ", m_had ? m_old.c_str() : "");
        _tzset();
    }

private:
    bool m_had = false;
    std::string m_old;
};

} // namespace

TEST(Ipv4Text, FromTextReadsFourNumbersWithCarry)
{
    struct Case {
        const char* text;
        Ipv4Net expected;
    };
    const Case cases[] = {
        {"192.168.1.10", NetBytes(192, 168, 1, 10)},
        {"0.0.0.0", 0},
        {"255.255.255.255", 0xFFFFFFFFu},
        {"1.2.256.4", NetBytes(1, 2, 0, 5)},       // 256 carries into the next byte
        {"256.0.0.0", NetBytes(0, 1, 0, 0)},
        {"-1.0.0.0", 0xFFFFFFFFu},                 // signed numbers, taken modulo 2^32
        {"10.0.0.7 and more", NetBytes(10, 0, 0, 7)},  // anything after the fourth number is ignored
        {"10.0.0.7.9", NetBytes(10, 0, 0, 7)},
        {" 10.0.0.1", NetBytes(10, 0, 0, 1)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Ipv4FromText(c.text), c.expected) << c.text;
    EXPECT_EQ(Ipv4ToText(Ipv4FromText("1.2.256.4")), "1.2.0.5");
}

// Text that does not hold four dot-separated numbers reads as 0.0.0.0, whatever the caller's
// variables held before.
TEST(Ipv4Text, FromTextMalformedGivesZero)
{
    const char* cases[] = {"", "abc", "1.2.3", "1.2.3.", "1..2.3", "1,2,3,4", "a.b.c.d", "1.2.3.x", ".1.2.3.4",
                           "10.0.0"};
    for (const char* text : cases)
        EXPECT_EQ(Ipv4FromText(text), 0u) << "'" << text << "'";
    EXPECT_EQ(Ipv4FromText(nullptr), 0u);
}

TEST(Ipv4Text, ToTextTakesTheLowestByteFirst)
{
    struct Case {
        Ipv4Net value;
        const char* text;
    };
    const Case cases[] = {
        {NetBytes(192, 168, 1, 10), "192.168.1.10"},
        {0, "0.0.0.0"},
        {0xFFFFFFFFu, "255.255.255.255"},
        {NetBytes(127, 0, 0, 1), "127.0.0.1"},
        {NetBytes(10, 86, 2, 1), "10.86.2.1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Ipv4ToText(c.value), c.text);
}

TEST(Ipv4Text, HostToTextTakesTheHighestByteFirst)
{
    struct Case {
        Ipv4Host value;
        const char* text;
    };
    const Case cases[] = {
        {0xC0A8010Au, "192.168.1.10"},
        {0, "0.0.0.0"},
        {0xFFFFFFFFu, "255.255.255.255"},
        {0x0A56010Au, "10.86.1.10"},
        {0xAC14050Au, "172.20.5.10"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Ipv4HostToText(c.value), c.text);
}

// Receivers of several scanners format addresses at the same time: no result may be another
// thread's.
TEST(Ipv4Text, ConversionsAreSafeFromSeveralThreads)
{
    constexpr int kThreads = 4;
    constexpr int kRounds = 20000;
    // Each thread formats moments of its own (a different time of day than any other thread's
    // at the same round), so a result taken from a buffer another thread shares shows. Their
    // texts are worked out here first, one thread at a time.
    auto moment = [](int t, int i) { return (std::uint32_t)i * 13u + (std::uint32_t)t * 4001u; };
    std::vector<std::vector<std::string>> expectedTimes(kThreads);
    for (int t = 0; t < kThreads; ++t) {
        for (int i = 0; i < kRounds; ++i)
            expectedTimes[t].push_back(FormatLocalTime(moment(t, i)));
    }
    std::vector<int> mismatches(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &mismatches, &expectedTimes, &moment] {
            for (int i = 0; i < kRounds; ++i) {
                unsigned a = 10 + t, b = i & 255, c = (i >> 8) & 255, d = t * 7;
                char expected[16];
                std::snprintf(expected, sizeof expected, "%u.%u.%u.%u", a, b, c, d);
                if (Ipv4HostToText(a << 24 | b << 16 | c << 8 | d) != expected)
                    ++mismatches[t];
                if (Ipv4ToText(a | b << 8 | c << 16 | d << 24) != expected)
                    ++mismatches[t];
                const std::string time = FormatLocalTime(moment(t, i));
                if (time != expectedTimes[t][i] || time.size() != 8)
                    ++mismatches[t];
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(mismatches[t], 0) << "thread " << t;
}

// Fixed local times, whatever the machine's time zone is.
TEST(Ipv4Text, FormatLocalTimeShowsLocalHourMinuteSecond)
{
    struct Case {
        int hour, minute, second;
        const char* text;
    };
    const Case cases[] = {
        {9, 5, 3, "09:05:03"}, {23, 59, 59, "23:59:59"}, {0, 0, 0, "00:00:00"},
        {12, 0, 9, "12:00:09"}, {10, 10, 10, "10:10:10"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatLocalTime(LocalMoment(2024, 6, 17, c.hour, c.minute, c.second)), c.text) << c.text;
}

// The conversion is to local time, not UTC: in a zone nine hours east of UTC the start of
// 1970 reads 09:00:00.
TEST(Ipv4Text, FormatLocalTimeFollowsTheTimeZone)
{
    TimeZone zone("JST-9");
    EXPECT_EQ(FormatLocalTime(0), "09:00:00");
    EXPECT_EQ(FormatLocalTime(86399), "08:59:59");
    EXPECT_EQ(FormatLocalTime(0xFFFFFFFFu), "15:28:15");  // 2106-02-07 06:28:15 UTC
}
