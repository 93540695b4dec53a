// What the discovery and main-window tests share beyond the main dialog harness and its fixture
// (tests/unit/MainDialogFixture.h): workers run while the window thread pumps, readers of the
// device table and announcement values that tell which box wrote a row.
#pragma once

#include "tests/unit/MainDialogFixture.h"
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

// One row of the device table as the list-view holds it.
struct TableRow {
    RowTag* tag = nullptr;  // the row's item data
    std::wstring cells[DEVICE_COLUMN_COUNT];
};
// Every row from the top; call on the list's own thread.
std::vector<TableRow> ReadTable(const CListCtrl& list);

// An announcement's values derived from the id alone, so that a row's cells tell which box
// wrote them.
AnnouncedBox AnnouncedBoxForId(DeviceId id);
