// The receiver threads' side of the device table: the handler that turns an accepted
// announcement into a job for the registered AnnouncementSink, and the interface look-up.
#pragma once

#include "discovery/AnnouncementSink.h"
#include "discovery/DeviceColumns.h"
#include "discovery/Ipv4Text.h"

#include <cstdint>
#include <mutex>

// One announcement handled at a time, by whichever receiver (scanner or network search) holds
// it. The handler only updates the interface map and queues a job, yet the lock must stay: it
// makes each box's map entry, its unicast mark and the order of its queued jobs follow one
// order of announcements, so that the interface the map names is the one that heard the
// announcement whose cells the row shows last. (The map's entry is replaced as erase then
// insert, and insert keeps an entry already there: two receivers interleaving the pair would
// leave the older interface.)
extern std::mutex ReplyLock;

// Any thread. Looks the box's interface up in DeviceInterfaceMap; false when it has no entry.
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
