// Announcements on their way from the scanners' receivers to the window thread. A receiver
// queues its job and goes back to its socket at once, so a burst of answers is drained from
// the sockets at the receivers' pace, not the window thread's; the window thread takes the
// jobs in batches.
#pragma once

#include "discovery/DeviceColumns.h"

#include <cstddef>
#include <deque>
#include <mutex>
#include <unordered_set>
#include <vector>

// Jobs waiting at most (about 600 bytes each). A full queue drops the newest announcements:
// their boxes' interface entries are already up to date, and the boxes answer again at the
// next probe, 10 s later, when the queue has room.
constexpr std::size_t ANNOUNCEMENT_QUEUE_CAPACITY = 32768;

class AnnouncementQueue {
public:
    AnnouncementQueue() = default;
    AnnouncementQueue(const AnnouncementQueue&) = delete;
    AnnouncementQueue& operator=(const AnnouncementQueue&) = delete;

    enum class Pushed { DROPPED, QUEUED, QUEUED_WAKE };
    // Any thread. QUEUED_WAKE: the queue was idle, and the caller wakes the window thread (one
    // wake-up serves every job queued until the window thread has taken them all).
    Pushed Push(AnnouncementJob&& job);
    // The wake-up could not be delivered: the next Push asks for one again.
    void WakeFailed();
    // Window thread: moves up to `most` jobs, oldest first, into batch. True while jobs remain;
    // once it returns false the next Push asks for a wake-up.
    bool TakeBatch(std::vector<AnnouncementJob>& batch, std::size_t most);
    bool IsEmpty() const;
    // Window thread: drops the waiting jobs of these boxes (their rows were removed, and
    // answers received before that must not bring them back). Returns how many were dropped.
    std::size_t DropBoxes(const std::unordered_set<DeviceId>& ids);

private:
    mutable std::mutex m_lock;
    std::deque<AnnouncementJob> m_jobs;
    bool m_wakeAsked = false;  // a wake-up is on its way or the window thread is taking jobs
};
