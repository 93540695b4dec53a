// What every test and benchmark of the real main dialog shares: the one main dialog of the
// process (only on the test LAN, tests/unit/TestLan.h), the window thread's message pump, its
// controls, and announcements as a receiver hands them over. The local addresses and the box
// simulator's client, which these tests use alongside, come with it. Free of gtest, so the
// benchmarks use it too.
#pragma once

#include "app/OrvaneDlg.h"
#include "discovery/AnnouncedBox.h"
#include "tests/unit/BoxSimClient.h"
#include "tests/unit/LocalAddresses.h"
#include "tests/unit/TestLan.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

// The main dialog of this process, created modeless on the calling thread (the main thread,
// which then is its window thread) the first time it is asked for. It is never destroyed: its
// scanner, watcher and recorder threads use it until the process ends. g_mainDialog and the
// announcements' sink are pointed at it on every call. Outside the test LAN it refuses: it says so and ends the process, since
// its scanners would broadcast from every local address of the machine. A dialog that cannot
// be created ends the process with a message too.
COrvaneDlg& MainDialog();
// True once MainDialog() has created the dialog.
bool MainDialogExists();

// Runs the calling thread's message loop, which also carries out messages other threads send to
// its windows, until done() holds or the time is up (INFINITE: no limit). Returns done().
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
void PumpFor(DWORD ms);
// Pumps until every announcement queued for the main dialog so far is in its table (the
// receivers' jobs wait in a queue for the window thread); false when that took too long.
bool WaitForQueuedAnnouncements(DWORD timeoutMs = 30000);

// Readers of the device table's list; call on the list's own thread.
// Column-0 ids of the rows from top to bottom.
std::vector<DeviceId> RowIds(const CListCtrl& list);
// The index of the row whose column 0 shows this id, or -1.
int RowOf(const CListCtrl& list, DeviceId id);
// The row's RowTag (its item data); null for a row without one.
RowTag* TagOfRow(const CListCtrl& list, int row);
// The RowTags the table owns, in creation order.
std::vector<RowTag*> RowTagsOf(const DeviceTable& table);

// Selects exactly the given rows (none for an empty list).
void SelectRows(const CListCtrl& list, std::initializer_list<int> rows);
std::wstring ControlText(const COrvaneDlg& dialog, int id);
// A real click on a button of the main dialog, on the window thread.
void ClickButton(const COrvaneDlg& dialog, int id);

// What a scanner's receiver does with a datagram of length bytes: copies it into a 2048-byte
// receive buffer and hands it to HandleAnnouncement under ReplyLock. Never waits for the
// window thread, so any thread may call it.
void HandleLikeAReceiver(const void* bytes, int length, std::uint32_t interfaceIndex, Ipv4Host source);

