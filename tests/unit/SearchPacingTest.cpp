// The pace and order of a network search's probes, on a clock the test drives: never more than
// 1,000 in any second, the full rate kept however the sender wakes, and a second probe only
// for the addresses that did not answer the first.
#include "discovery/ProbePacer.h"
#include "discovery/SweepPlan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <random>
#include <set>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::microseconds;
using std::chrono::milliseconds;

// The most send times that fall in any half-open window of one second.
std::size_t BusiestSecond(const std::vector<Clock::time_point>& sends)
{
    std::size_t most = 0;
    std::size_t start = 0;
    for (std::size_t end = 0; end < sends.size(); ++end) {
        while (sends[end] - sends[start] >= std::chrono::seconds(1))
            ++start;
        most = std::max(most, end - start + 1);
    }
    return most;
}

// A sender that wakes after pauses drawn from the given range (stalls included) and sends all
// the pacer allows each time, for the given span.
std::vector<Clock::time_point> SendFor(milliseconds span, microseconds shortestPause, microseconds longestPause,
                                       unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<long long> pause(shortestPause.count(), longestPause.count());
    ProbePacer pacer;
    std::vector<Clock::time_point> sends;
    const Clock::time_point start = Clock::time_point() + std::chrono::hours(1);
    for (Clock::time_point now = start; now < start + span; now += microseconds(pause(random))) {
        while (pacer.MaySend(now)) {
            pacer.Sent(now);
            sends.push_back(now);
        }
    }
    return sends;
}

TEST(SearchPacing, NoSecondHoldsMoreThan1000ProbesAndTheRateStaysNear1000)
{
    struct Wakeups {
        long long shortestUs, longestUs;
        bool fullRate;  // a sender that wakes this often keeps the full rate
    };
    // Regular ticks, uneven ones, coarse timer ticks, and a sender that stalls for up to
    // 300 ms (after a stall the pacer does not make up for lost time with a burst).
    const Wakeups CASES[] = {{5000, 5000, true}, {1, 2000, true}, {15600, 15600, true}, {100, 300000, false}};
    for (const Wakeups& c : CASES) {
        SCOPED_TRACE(c.longestUs);
        const std::vector<Clock::time_point> sends =
            SendFor(milliseconds(20000), microseconds(c.shortestUs), microseconds(c.longestUs), 7);
        EXPECT_LE(BusiestSecond(sends), (std::size_t)SEARCH_PROBES_PER_SECOND);
        // 65,536 addresses in two passes need more than 943 a second to end within 140 s.
        if (c.fullRate) {
            EXPECT_GE(sends.size(), 19000u) << "20 s at close to 1,000 probes a second";
        }
    }
}

// A send may block (the sender loses the processor inside it) and its datagram leave at any
// moment until it returns; the pacer books each probe when its send returns, so no second of
// departures holds more than 1,000 probes however the blocking falls.
TEST(SearchPacing, SendsThatBlockDoNotCrowdAnySecondOnTheWire)
{
    std::mt19937 random(11);
    std::uniform_int_distribution<int> permille(0, 999);
    std::uniform_int_distribution<long long> blockUs(0, 30000);
    ProbePacer pacer;
    std::vector<Clock::time_point> departures;
    const Clock::time_point start = Clock::time_point() + std::chrono::hours(1);
    Clock::time_point now = start;
    const auto send = [&] {
        // Most sends return at once; one in two hundred blocks for up to 30 ms.
        const microseconds blocked(permille(random) < 5 ? blockUs(random) : 2);
        // The datagram leaves when the send begins or when it returns, whichever crowds the
        // wire more; both are drawn.
        departures.push_back(permille(random) < 500 ? now : now + blocked);
        now += blocked;
        return true;
    };
    for (; now < start + std::chrono::seconds(20); now += milliseconds(5)) {
        while (pacer.SendOne(send, [&] { return now; })) {
        }
    }
    std::sort(departures.begin(), departures.end());
    EXPECT_LE(BusiestSecond(departures), (std::size_t)SEARCH_PROBES_PER_SECOND);
    EXPECT_GE(departures.size(), 19000u) << "20 s at close to 1,000 probes a second";
}

TEST(SearchPacing, ProbesAreSpreadNotSentInOneBurst)
{
    ProbePacer pacer;
    const Clock::time_point now = Clock::time_point() + std::chrono::hours(1);
    int burst = 0;
    while (pacer.MaySend(now)) {
        pacer.Sent(now);
        ++burst;
    }
    EXPECT_EQ(burst, SEARCH_PROBE_BURST);
}

std::vector<Ipv4Host> Addresses(std::size_t count)
{
    std::vector<Ipv4Host> addresses;
    for (std::size_t i = 0; i < count; ++i)
        addresses.push_back(0xAC1E0001u + (Ipv4Host)i);
    return addresses;
}

TEST(SearchPacing, TheSecondPassProbesOnlyTheAddressesThatDidNotAnswer)
{
    const std::vector<Ipv4Host> addresses = Addresses(1000);
    SweepPlan plan(addresses);
    std::map<Ipv4Host, int> probes;
    // Every seventh address answers its first probe at once; every 50th answers only after the
    // second pass has begun (its answer was lost or late), which spares it its second probe
    // when the answer comes before its turn.
    std::set<Ipv4Host> answering;
    Clock::time_point now = Clock::time_point() + std::chrono::hours(1);
    const Clock::time_point end = now + std::chrono::seconds(30);
    bool lateAnswersGiven = false;
    while (!plan.Finished(now) && now < end) {
        Ipv4Host address = 0;
        while (plan.NextProbe(now, &address)) {
            plan.ProbeSent(now);
            ++probes[address];
            if ((address - addresses.front()) % 7 == 0 && plan.Answered(address))
                answering.insert(address);
        }
        if (plan.InSecondPass() && !lateAnswersGiven) {
            lateAnswersGiven = true;
            for (std::size_t i = 0; i < addresses.size(); i += 50) {
                if (plan.Answered(addresses[i]))
                    answering.insert(addresses[i]);
            }
        }
        now += milliseconds(1);
    }
    ASSERT_TRUE(plan.Finished(now));
    ASSERT_EQ(probes.size(), addresses.size()) << "every address probed";
    for (Ipv4Host address : addresses) {
        const bool answered = answering.count(address) != 0;
        SCOPED_TRACE(address - addresses.front());
        EXPECT_EQ(probes[address], answered ? 1 : 2);
    }
    EXPECT_EQ(plan.AnsweredCount(), answering.size());
    EXPECT_EQ(plan.SecondProbesSent(), addresses.size() - answering.size());
    EXPECT_FALSE(plan.Answered(addresses.front() - 1)) << "an address outside the search";
}

TEST(SearchPacing, ASecondProbeWaitsUntilItsFirstIsHalfASecondOld)
{
    SweepPlan plan(Addresses(3));
    const Clock::time_point start = Clock::time_point() + std::chrono::hours(1);
    Ipv4Host address = 0;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(plan.NextProbe(start, &address));
        plan.ProbeSent(start);
    }
    EXPECT_FALSE(plan.NextProbe(start + milliseconds(499), &address));
    EXPECT_TRUE(plan.NextProbe(start + milliseconds(500), &address));
    EXPECT_EQ(address, 0xAC1E0001u);
}

TEST(SearchPacing, TheSearchEndsWhenTheLastProbesAnswerHasHadItsTime)
{
    SweepPlan plan(Addresses(1));
    const Clock::time_point start = Clock::time_point() + std::chrono::hours(1);
    Ipv4Host address = 0;
    ASSERT_TRUE(plan.NextProbe(start, &address));
    plan.ProbeSent(start);
    const Clock::time_point second = start + milliseconds(500);
    ASSERT_TRUE(plan.NextProbe(second, &address));
    plan.ProbeSent(second);
    EXPECT_FALSE(plan.NextProbe(second, &address));
    EXPECT_FALSE(plan.Finished(second + SweepPlan::LAST_ANSWER_WAIT - milliseconds(1)));
    EXPECT_TRUE(plan.Finished(second + SweepPlan::LAST_ANSWER_WAIT));
}

// 65,536 silent addresses (the worst case: no box answers, all get a second probe) at the
// pacer's rate fit the 140 s the largest search may take.
TEST(SearchPacing, TheLargestSearchFitsIn140Seconds)
{
    SweepPlan plan(Addresses(65536));
    ProbePacer pacer;
    Clock::time_point now = Clock::time_point() + std::chrono::hours(1);
    const Clock::time_point start = now;
    while (!plan.Finished(now) && now - start < std::chrono::seconds(200)) {
        Ipv4Host address = 0;
        while (pacer.MaySend(now) && plan.NextProbe(now, &address)) {
            plan.ProbeSent(now);
            pacer.Sent(now);
        }
        now += milliseconds(5);
    }
    EXPECT_TRUE(plan.Finished(now));
    EXPECT_EQ(plan.SecondProbesSent(), 65536u);
    EXPECT_LT(now - start, std::chrono::seconds(140));
}

} // namespace
