// The device table: one list-view row per DeviceId with nine text columns and a RowTag
// as each row's item data. The list-view control is the table; there is no other model.
// Everything here belongs to the window thread.
#pragma once

#include "discovery/DeviceColumns.h"
#include "discovery/RedrawHold.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

constexpr int ROW_IDLE = -11;
constexpr int ROW_RECORDING = -12;

// Attached to a row as its item data. A record lives as long as its row: Clear frees the
// records of the rows it removes, so only the window thread reads a record, and it keeps no
// pointer to one past a Clear. state is written by the window thread (Record, Stop, the
// recorders' events) and read while painting.
struct RowTag {
    DeviceId deviceId;
    std::atomic<std::int32_t> state;
};

// Finds a box's row through its RowTag, creating row and tag when there is none, and writes
// the announced columns. Owned by the main dialog.
class DeviceTable {
public:
    explicit DeviceTable(std::vector<RowTag*>& rowTags) : m_rowTags(rowTags) {}
    DeviceTable(const DeviceTable&) = delete;
    DeviceTable& operator=(const DeviceTable&) = delete;
    void Attach(const CListCtrl& list);

    // Returns the row written, or -1 when the row could not be inserted. A new row from a
    // receiver's job holds the list's painting; the list's parent passes the hold's timer
    // (RedrawHold::TIMER_ID) to EndRedrawHold.
    int Apply(const AnnouncementJob& job);
    // The row that shows the box, or -1.
    int FindRow(DeviceId id);
    // After rows were removed (Clear): forgets every row position and frees the RowTag of
    // every row the list no longer holds, so that nothing is kept for a box that is gone and
    // its next announcement costs what a new box's costs. Only the window thread may hold a
    // RowTag pointer across a message; this is why.
    void ReleaseRemovedRows();
    void EndRedrawHold() { m_redrawHold.End(); }

private:
    // Where a box's newest row was last seen. Rows are inserted only at the top, so the row
    // has since moved down by the rows inserted after that; deletions (Clear) can move it up,
    // which the check of the row's RowTag catches.
    struct RowHint {
        RowTag* tag;
        int row;
        unsigned insertedBefore;  // m_inserted when the row was seen there
        // The announced cells as this table last wrote them (empty: not known). A box's answers
        // mostly repeat all but the time, and under Wine every cell written costs the window
        // thread a notification and a repaint of the cell, so only changed cells are written.
        std::wstring shown[DEVICE_COLUMN_COUNT];
    };

    // The box's hint with its row found and confirmed, or null when the box has no row.
    RowHint* FindHint(DeviceId id);

    CListCtrl m_list;
    std::vector<RowTag*>& m_rowTags;
    std::map<DeviceId, RowHint> m_newestRow;
    unsigned m_inserted = 0;  // rows this table has inserted at the top
    RedrawHold m_redrawHold;
};
