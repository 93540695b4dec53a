// The device table: one list-view row per DeviceId with nine text columns and a RowTag
// as each row's item data. The list-view control is the table; there is no other model.
#pragma once

#include "discovery/DeviceDatagram.h"
#include "framework/ListCtrl.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

constexpr int ROW_IDLE = -11;
constexpr int ROW_RECORDING = -12;

enum DeviceColumn {
    COL_ID, COL_ACTIVE_TIME, COL_LAN_IP, COL_LAN_STATIC_IP, COL_LAN_NETMASK,
    COL_LAN_GATEWAY, COL_LAN_MAC, COL_DESCRIPTION, COL_RECORD, DEVICE_COLUMN_COUNT
};

// Attached to a row as its item data. A record lives as long as its row: Clear frees the
// records of the rows it removes, so only the window thread reads a record, and it keeps no
// pointer to one past a Clear. state is written by the window thread (Record, Stop, the
// recorders' events) and read while painting.
struct RowTag {
    DeviceId deviceId;
    std::atomic<std::int32_t> state;
};

// Inserts the nine columns with their headers, and their widths scaled to the system DPI.
void InsertDeviceColumns(const CListCtrl& list);

// One announcement's whole update of the table, handed to the window thread as one job so
// that its row search, row creation and cell writes land on the row of its own DeviceId.
struct AnnouncementJob {
    DeviceId deviceId;
    std::wstring cells[7];  // columns 1 to 7
    // It came from a scanner's receiver, which may bring hundreds of new boxes in a row; their
    // new rows are then painted together (see HoldRedrawForNewRows).
    bool fromReceiver = false;
};

AnnouncementJob MakeAnnouncementJob(const DeviceDatagram& announcement, Ipv4Host source,
                                    std::uint32_t nowSecondsSince1970);

// The window thread's side of the table: finds a box's row through its RowTag, creating row
// and tag when there is none, and writes columns 1 to 7. Owned by the main dialog.
class DeviceTable {
public:
    explicit DeviceTable(std::vector<RowTag*>& rowTags) : m_rowTags(rowTags) {}
    DeviceTable(const DeviceTable&) = delete;
    DeviceTable& operator=(const DeviceTable&) = delete;
    void Attach(const CListCtrl& list) { m_list = list; }

    // Window thread only. Returns the row written, or -1 when the row could not be inserted.
    int Apply(const AnnouncementJob& job);
    // The row that shows the box, or -1. Window thread only.
    int FindRow(DeviceId id);
    // Window thread, after rows were removed (Clear): forgets every row position and frees the
    // RowTag of every row the list no longer holds, so that nothing is kept for a box that is
    // gone and its next announcement costs what a new box's costs. Only the window thread
    // may hold a RowTag pointer across a message; this is why.
    void ReleaseRemovedRows();

private:
    // Where a box's newest row was last seen. Rows are inserted only at the top, so the row
    // has since moved down by the rows inserted after that; deletions (Clear) can move it up,
    // which the check of the row's RowTag catches.
    struct RowHint {
        RowTag* tag;
        int row;
        unsigned insertedBefore;  // m_inserted when the row was seen there
    };

    void HoldRedrawForNewRows();
    static void CALLBACK ReleaseRedraw(HWND list, UINT, UINT_PTR timerId, DWORD);

    CListCtrl m_list;
    std::vector<RowTag*>& m_rowTags;
    std::map<DeviceId, RowHint> m_newestRow;
    unsigned m_inserted = 0;    // rows this table has inserted at the top
    bool m_redrawHeld = false;  // the list is not painted until the hold's timer ends it
};

// Process-wide objects of discovery.
class COrvaneDlg;
extern COrvaneDlg* g_mainDialog;

struct DeviceIdUnsignedLess {
    bool operator()(DeviceId a, DeviceId b) const { return (std::uint32_t)a < (std::uint32_t)b; }
};
// DeviceId -> interface index of the scanner that received the box's latest announcement.
extern std::map<DeviceId, std::uint32_t, DeviceIdUnsignedLess> DeviceInterfaceMap;
extern std::recursive_mutex DeviceMapLock;  // guards DeviceInterfaceMap; taken after ReplyLock
extern std::mutex ReplyLock;                // one announcement handled at a time

// Looks the box's interface up under DeviceMapLock; false when the box has no entry.
bool LookUpDeviceInterface(DeviceId id, std::uint32_t* interfaceIndex);

// Receiver threads, under ReplyLock: accepts a 184-byte type-101 datagram, records the
// interface that heard it and has the window thread refresh or create the box's row.
void HandleAnnouncement(const void* bytes, int length, std::uint32_t interfaceIndex, Ipv4Host source);
