// The receiver threads' side of the device table: the process-wide objects of discovery and
// the handler that turns an accepted announcement into a job for the window thread.
#pragma once

#include "discovery/DeviceColumns.h"
#include "discovery/Ipv4Text.h"

#include <cstdint>
#include <map>
#include <mutex>

class COrvaneDlg;
// The one main dialog; set by its constructor, never cleared.
extern COrvaneDlg* g_mainDialog;

struct DeviceIdUnsignedLess {
    bool operator()(DeviceId a, DeviceId b) const { return (std::uint32_t)a < (std::uint32_t)b; }
};
// DeviceId -> interface index of the scanner that received the box's latest announcement.
extern std::map<DeviceId, std::uint32_t, DeviceIdUnsignedLess> DeviceInterfaceMap;
extern std::recursive_mutex DeviceMapLock;  // guards DeviceInterfaceMap; taken after ReplyLock
extern std::mutex ReplyLock;                // one announcement handled at a time

// Any thread. Looks the box's interface up under DeviceMapLock; false when it has no entry.
bool LookUpDeviceInterface(DeviceId id, std::uint32_t* interfaceIndex);

// Any thread: the cells of the box's row as this announcement, received from source at the
// given time, makes them.
AnnouncementJob MakeAnnouncementJob(const DeviceDatagram& announcement, Ipv4Host source,
                                    std::uint32_t nowSecondsSince1970);

// Receiver threads, under ReplyLock: accepts a 184-byte type-101 datagram, records the
// interface that heard it and has the window thread refresh or create the box's row.
void HandleAnnouncement(const void* bytes, int length, std::uint32_t interfaceIndex, Ipv4Host source);
// The same for an announcement that answered a probe sent to the box's own address (a network
// search): the box is then recorded as one whose latest announcement answered a unicast probe,
// until an announcement reaches a scanner again.
void HandleUnicastAnnouncement(const void* bytes, int length, std::uint32_t interfaceIndex, Ipv4Host source);

// Any thread: whether the box's latest accepted announcement answered a unicast probe.
bool LatestAnswerWasUnicast(DeviceId id);

// Defined with the main dialog: queues the job for the dialog's window thread and returns at
// once; while the dialog has no window yet the job is dropped.
void QueueAnnouncementFor(COrvaneDlg& dialog, AnnouncementJob&& job);
