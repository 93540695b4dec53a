// What the discovery and main-window tests share beyond the main dialog harness (which holds
// the test LAN skip, the environment, the wire layout of announcements and the box simulator):
// workers run while the window thread pumps, a receiver's hand-over and readers of the device
// table.
#pragma once

#include "tests/unit/MainDialogHarness.h"
#include "discovery/DeviceDatagram.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Runs work on a thread of its own while this thread pumps messages, as the window thread does
// while scanners run. Always waits for the work to end, and for the announcements it queued to
// be in the table; false when the work took longer than timeoutMs.
bool RunOnWorkerWhilePumping(const std::function<void()>& work, DWORD timeoutMs);

// What a scanner's receiver does with a datagram of length bytes: copies it into a 2048-byte
// receive buffer and hands it to HandleAnnouncement under ReplyLock. Any thread but the window's.
void HandleLikeAReceiver(const void* bytes, int length, std::uint32_t interfaceIndex, Ipv4Host source);

// Deletes every row of the device table, as Clear does with no box recorded (window thread).
void EmptyDeviceTable();

// One row of the device table as the list-view holds it.
struct TableRow {
    RowTag* tag = nullptr;  // the row's item data
    std::wstring cells[DEVICE_COLUMN_COUNT];
};
// Every row from the top; call on the list's own thread.
std::vector<TableRow> ReadTable(const CListCtrl& list);
// The index of the first row whose column 0 reads as this id, or -1.
int FindRowById(const std::vector<TableRow>& rows, DeviceId id);

// An announcement's values derived from the id alone, so that a row's cells tell which box
// wrote them.
BoxValues BoxValuesForId(DeviceId id);
