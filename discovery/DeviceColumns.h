// The device table's nine columns, and the cells one announcement brings to a row.
#pragma once

#include "discovery/DeviceDatagram.h"
#include "framework/ListCtrl.h"

#include <string>

enum DeviceColumn {
    COL_ID, COL_ACTIVE_TIME, COL_LAN_IP, COL_LAN_STATIC_IP, COL_LAN_NETMASK,
    COL_LAN_GATEWAY, COL_LAN_MAC, COL_DESCRIPTION, COL_RECORD, DEVICE_COLUMN_COUNT
};

// Every announcement rewrites these columns of its box's row; "ID" and "Record" are written
// only when the row is created.
constexpr int FIRST_ANNOUNCED_COLUMN = COL_ACTIVE_TIME;
constexpr int LAST_ANNOUNCED_COLUMN = COL_DESCRIPTION;

// Window thread, once: inserts the nine columns with their headers, and their widths scaled
// to dpi.
void InsertDeviceColumns(const CListCtrl& list, int dpi);

// Window thread: gives the nine columns their widths at dpi, as InsertDeviceColumns does (the
// window moved to a monitor with another DPI).
void SetDeviceColumnWidths(const CListCtrl& list, int dpi);

// One announcement's whole update of the table, handed to the window thread as one job so
// that its row search, row creation and cell writes land on the row of its own DeviceId.
struct AnnouncementJob {
    DeviceId deviceId;
    // Indexed by DeviceColumn; only FIRST_ANNOUNCED_COLUMN to LAST_ANNOUNCED_COLUMN are used.
    std::wstring cells[DEVICE_COLUMN_COUNT];
    // It came from a scanner's receiver, which may bring hundreds of new boxes in a row; their
    // new rows are then painted together (see RedrawHold).
    bool fromReceiver = false;
};
