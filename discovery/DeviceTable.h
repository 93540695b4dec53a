// The device table: one list-view row per DeviceId with nine text columns and a RowTag
// as each row's item data. The list-view control is the table; there is no other model.
// Everything here belongs to the window thread.
#pragma once

#include "discovery/DeviceColumns.h"
#include "discovery/RedrawHold.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

constexpr int ROW_IDLE = -11;
constexpr int ROW_RECORDING = -12;

// Attached to a row as its item data. The device table creates a record with its row and
// frees it at the Clear that removes the row, so only the window thread touches a record, and
// it keeps no pointer to one past a Clear. state is written by the window thread (Record, Stop,
// the recorders' events, which the window thread carries out) and read there while painting.
struct RowTag {
    DeviceId deviceId;
    std::int32_t state;  // 0 (new), ROW_IDLE or ROW_RECORDING
};

// Finds a box's row through its RowTag, creating row and tag when there is none, and writes
// the announced columns. Owns the RowTag of every row it created. Owned by the main dialog.
class DeviceTable {
public:
    DeviceTable() = default;
    DeviceTable(const DeviceTable&) = delete;
    DeviceTable& operator=(const DeviceTable&) = delete;
    void Attach(const CListCtrl& list);

    // The row's RowTag, or null when the row has none (or there is no such row). This is how a
    // row's box is read: column 0 only shows it.
    RowTag* TagOfRow(int row) const;
    // The box a row shows (0 when the row has no RowTag).
    DeviceId DeviceIdInRow(int row) const;
    // The RowTag of every row this table holds, in creation order (tests read them).
    const std::vector<std::unique_ptr<RowTag>>& RowTags() const { return m_rowTags; }

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
    std::vector<std::unique_ptr<RowTag>> m_rowTags;
    std::map<DeviceId, RowHint> m_newestRow;
    unsigned m_inserted = 0;  // rows this table has inserted at the top
    RedrawHold m_redrawHold;
};
