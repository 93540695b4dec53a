// The queue between the scanners' receivers and the window thread, on its own.
#include "discovery/AnnouncementQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

AnnouncementJob JobOf(DeviceId id)
{
    AnnouncementJob job;
    job.deviceId = id;
    job.cells[COL_LAN_IP] = std::to_wstring(id);
    return job;
}

using Pushed = AnnouncementQueue::Pushed;

// One wake-up per burst, jobs in arrival order, and the next burst wakes again once the window
// thread has taken everything.
TEST(AnnouncementQueue, OneWakeUpPerBurstAndJobsInOrder)
{
    AnnouncementQueue queue;
    EXPECT_TRUE(queue.IsEmpty());
    EXPECT_EQ(queue.Push(JobOf(1)), Pushed::QUEUED_WAKE);
    EXPECT_EQ(queue.Push(JobOf(2)), Pushed::QUEUED);
    EXPECT_EQ(queue.Push(JobOf(3)), Pushed::QUEUED);

    std::vector<AnnouncementJob> batch;
    EXPECT_TRUE(queue.TakeBatch(batch, 2));
    EXPECT_EQ(queue.Push(JobOf(4)), Pushed::QUEUED) << "the window thread is still at it";
    EXPECT_FALSE(queue.TakeBatch(batch, 10));
    ASSERT_EQ(batch.size(), 4u);
    for (size_t i = 0; i < batch.size(); ++i) {
        EXPECT_EQ(batch[i].deviceId, (DeviceId)i + 1);
        EXPECT_EQ(batch[i].cells[COL_LAN_IP], std::to_wstring(i + 1));
    }
    EXPECT_TRUE(queue.IsEmpty());
    EXPECT_EQ(queue.Push(JobOf(5)), Pushed::QUEUED_WAKE);
}

TEST(AnnouncementQueue, AFailedWakeUpIsAskedForAgain)
{
    AnnouncementQueue queue;
    EXPECT_EQ(queue.Push(JobOf(1)), Pushed::QUEUED_WAKE);
    queue.WakeFailed();
    EXPECT_EQ(queue.Push(JobOf(2)), Pushed::QUEUED_WAKE);
    std::vector<AnnouncementJob> batch;
    EXPECT_FALSE(queue.TakeBatch(batch, 10));
    EXPECT_EQ(batch.size(), 2u);
}

// Dropping the jobs of some boxes keeps the others in order; the wake-up already asked for
// still ends its round, and the next burst after it wakes again.
TEST(AnnouncementQueue, DroppedBoxesLeaveTheOtherJobsInOrder)
{
    AnnouncementQueue queue;
    for (DeviceId id : {1, 2, 3, 2, 4, 1})
        queue.Push(JobOf(id));
    EXPECT_EQ(queue.DropBoxes({1, 2, 9}), 4u);
    EXPECT_EQ(queue.Push(JobOf(5)), Pushed::QUEUED) << "a wake-up is still on its way";
    std::vector<AnnouncementJob> batch;
    EXPECT_FALSE(queue.TakeBatch(batch, 10));
    std::vector<DeviceId> taken;
    for (const AnnouncementJob& job : batch)
        taken.push_back(job.deviceId);
    EXPECT_EQ(taken, std::vector<DeviceId>({3, 4, 5}));

    EXPECT_EQ(queue.DropBoxes({7}), 0u);
    EXPECT_EQ(queue.Push(JobOf(7)), Pushed::QUEUED_WAKE);
    EXPECT_EQ(queue.DropBoxes({7}), 1u);
    EXPECT_TRUE(queue.IsEmpty());
    EXPECT_FALSE(queue.TakeBatch(batch, 10)) << "the wake-up finds nothing and ends the round";
    EXPECT_EQ(queue.Push(JobOf(8)), Pushed::QUEUED_WAKE);
}

// A flood cannot grow the queue without bound: past the capacity the newest jobs are dropped
// until the window thread makes room.
TEST(AnnouncementQueue, AFullQueueDropsTheNewestJobs)
{
    AnnouncementQueue queue;
    for (size_t i = 0; i < ANNOUNCEMENT_QUEUE_CAPACITY; ++i)
        ASSERT_NE(queue.Push(JobOf((DeviceId)i)), Pushed::DROPPED) << i;
    EXPECT_EQ(queue.Push(JobOf(-1)), Pushed::DROPPED);
    EXPECT_EQ(queue.Push(JobOf(-2)), Pushed::DROPPED);

    std::vector<AnnouncementJob> batch;
    EXPECT_TRUE(queue.TakeBatch(batch, 1));
    EXPECT_EQ(queue.Push(JobOf(-3)), Pushed::QUEUED);
    batch.clear();
    EXPECT_FALSE(queue.TakeBatch(batch, ANNOUNCEMENT_QUEUE_CAPACITY + 10));
    ASSERT_EQ(batch.size(), ANNOUNCEMENT_QUEUE_CAPACITY);
    EXPECT_EQ(batch.front().deviceId, 1);
    EXPECT_EQ(batch.back().deviceId, -3);
}

// Receivers on several threads at once: every job arrives once, and every burst that found the
// queue idle asked for exactly one wake-up.
TEST(AnnouncementQueue, ConcurrentReceiversLoseNothing)
{
    AnnouncementQueue queue;
    constexpr int kThreads = 4;
    constexpr int kPerThread = 5000;
    std::atomic<int> wakeUps{0};
    std::vector<std::thread> receivers;
    for (int t = 0; t < kThreads; ++t) {
        receivers.emplace_back([&, t] {
            for (int i = 0; i < kPerThread; ++i) {
                if (queue.Push(JobOf(t * kPerThread + i)) == Pushed::QUEUED_WAKE)
                    ++wakeUps;
            }
        });
    }
    std::vector<bool> seen(kThreads * kPerThread, false);
    int taken = 0;
    int wakeUpsServed = 0;
    std::vector<AnnouncementJob> batch;
    while (taken < kThreads * kPerThread) {
        if (wakeUps.load() > wakeUpsServed) {
            ++wakeUpsServed;
            while (queue.TakeBatch(batch, 64)) {
            }
        } else {
            std::this_thread::yield();
        }
        for (const AnnouncementJob& job : batch) {
            ASSERT_FALSE(seen[job.deviceId]) << job.deviceId;
            seen[job.deviceId] = true;
            ++taken;
        }
        batch.clear();
    }
    for (std::thread& receiver : receivers)
        receiver.join();
    EXPECT_TRUE(queue.IsEmpty());
    EXPECT_EQ(wakeUps.load(), wakeUpsServed);
}

} // namespace
