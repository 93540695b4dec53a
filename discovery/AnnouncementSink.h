// Where the scanners' receivers hand accepted announcements: the window that shows the device
// table implements this and registers itself once, when it is made.
#pragma once

#include "discovery/DeviceColumns.h"

class AnnouncementSink {
public:
    // Receiver threads, under ReplyLock: queues the job for the table's window thread and
    // returns at once; a sink that has no window yet drops it.
    virtual void AcceptAnnouncement(AnnouncementJob&& job) = 0;

protected:
    ~AnnouncementSink() = default;  // never deleted through this interface
};

// The one sink announcements go to from now on (null: they only update the interface map).
// The sink is never unregistered, so it must live until the process ends.
void RegisterAnnouncementSink(AnnouncementSink* sink);
