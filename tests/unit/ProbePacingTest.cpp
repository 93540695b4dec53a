// When a scanner's probes leave: the schedule's arithmetic on given moments, and the timer
// that a sender thread waits on, woken by search requests from another thread.
#include "discovery/ProbeTimer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <ostream>
#include <thread>
#include <vector>

namespace {

using Clock = ProbeSchedule::Clock;
using std::chrono::milliseconds;

constexpr milliseconds PERIOD{10000};
constexpr milliseconds SPACING{1000};

// Events at milliseconds after a start moment: a probe sent, or a search request.
struct Event {
    enum Kind { PROBE, SEARCH } kind;
    int atMs;
};

struct ScheduleCase {
    const char* what;
    std::vector<Event> events;
    int nextProbeAtMs;
};

// Names the case in the test's name.
void PrintTo(const ScheduleCase& c, std::ostream* out)
{
    *out << c.what;
}

class ProbeScheduleTest : public ::testing::TestWithParam<ScheduleCase> {};

TEST_P(ProbeScheduleTest, NextProbeIsDue)
{
    const Clock::time_point start = Clock::now();
    ProbeSchedule schedule(PERIOD, SPACING);
    for (const Event& event : GetParam().events) {
        if (event.kind == Event::PROBE)
            schedule.ProbeSent(start + milliseconds(event.atMs));
        else
            schedule.SearchNow();
    }
    EXPECT_EQ(schedule.NextProbeAt(), start + milliseconds(GetParam().nextProbeAtMs)) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProbeScheduleTest,
    ::testing::Values(
        ScheduleCase{"10 s after a probe", {{Event::PROBE, 0}}, 10000},
        ScheduleCase{"a search 3 s after a probe: at once (1 s after it lies in the past)",
                     {{Event::PROBE, 0}, {Event::SEARCH, 3000}}, 1000},
        ScheduleCase{"a search right after a probe: 1 s after it", {{Event::PROBE, 0}, {Event::SEARCH, 100}}, 1000},
        ScheduleCase{"a burst of searches: still 1 s after the probe",
                     {{Event::PROBE, 0}, {Event::SEARCH, 100}, {Event::SEARCH, 200}, {Event::SEARCH, 300},
                      {Event::SEARCH, 900}},
                     1000},
        ScheduleCase{"the rhythm goes on from the search's probe",
                     {{Event::PROBE, 0}, {Event::SEARCH, 4000}, {Event::PROBE, 4000}}, 14000},
        ScheduleCase{"a search before the probe that answered it is forgotten",
                     {{Event::SEARCH, 0}, {Event::PROBE, 0}}, 10000}));

TEST(ProbeScheduleFirstTest, TheFirstProbeIsDueAtOnce)
{
    ProbeSchedule schedule(PERIOD, SPACING);
    EXPECT_LE(schedule.NextProbeAt(), Clock::now());
}

// A sender loop like the scanner's, on its own thread, noting when each probe leaves.
class SenderLoop {
public:
    SenderLoop(milliseconds period, milliseconds spacing) : m_timer(period, spacing)
    {
        m_thread = std::thread([this] {
            while (!m_stop) {
                // Noted before the timer's own moment, so that a gap between two notes is never
                // shorter than the timer's wait.
                {
                    std::lock_guard<std::mutex> lock(m_lock);
                    m_probes.push_back(Clock::now());
                }
                m_timer.ProbeLeavesNow();
                m_timer.WaitForNextProbe();
            }
        });
    }
    ~SenderLoop()
    {
        m_stop = true;
        m_timer.SearchNow();
        m_thread.join();
    }

    ProbeTimer& Timer() { return m_timer; }
    std::vector<Clock::time_point> Probes()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_probes;
    }
    bool WaitForProbes(std::size_t count, milliseconds limit)
    {
        const Clock::time_point end = Clock::now() + limit;
        while (Probes().size() < count && Clock::now() < end)
            std::this_thread::sleep_for(milliseconds(5));
        return Probes().size() >= count;
    }

private:
    ProbeTimer m_timer;
    std::atomic<bool> m_stop{false};
    std::mutex m_lock;
    std::vector<Clock::time_point> m_probes;
    std::thread m_thread;
};

// The period is far longer than the test: every probe after the first is a search's.
TEST(ProbeTimerTest, SearchWakesTheSenderAtOnce)
{
    SenderLoop sender(milliseconds(60000), milliseconds(200));
    ASSERT_TRUE(sender.WaitForProbes(1, milliseconds(5000)));
    std::this_thread::sleep_for(milliseconds(300));
    const Clock::time_point asked = Clock::now();
    sender.Timer().SearchNow();
    ASSERT_TRUE(sender.WaitForProbes(2, milliseconds(5000))) << "the search did not wake the sender";
    // Far sooner than the period; the bound leaves room for a busy machine.
    EXPECT_LT(sender.Probes()[1] - asked, milliseconds(2000));
}

TEST(ProbeTimerTest, ABurstOfSearchesSendsOneProbePerSpacing)
{
    SenderLoop sender(milliseconds(60000), milliseconds(500));
    ASSERT_TRUE(sender.WaitForProbes(1, milliseconds(5000)));
    std::this_thread::sleep_for(milliseconds(600));
    const Clock::time_point burstStart = Clock::now();
    while (Clock::now() - burstStart < milliseconds(1200)) {
        sender.Timer().SearchNow();
        std::this_thread::sleep_for(milliseconds(10));
    }
    std::this_thread::sleep_for(milliseconds(700));
    const std::vector<Clock::time_point> probes = sender.Probes();
    // 1.2 s of requests and 0.7 s after: at most one probe at once and one per 500 ms after it.
    ASSERT_GE(probes.size(), 3u);
    EXPECT_LE(probes.size(), 5u);
    for (std::size_t i = 1; i < probes.size(); ++i)
        EXPECT_GE(probes[i] - probes[i - 1], milliseconds(500)) << "probes " << i - 1 << " and " << i;
}

TEST(ProbeTimerTest, WithoutSearchTheSenderWaitsThePeriod)
{
    SenderLoop sender(milliseconds(400), milliseconds(100));
    ASSERT_TRUE(sender.WaitForProbes(3, milliseconds(5000)));
    const std::vector<Clock::time_point> probes = sender.Probes();
    for (std::size_t i = 1; i < probes.size(); ++i)
        EXPECT_GE(probes[i] - probes[i - 1], milliseconds(400)) << "probes " << i - 1 << " and " << i;
}

} // namespace
