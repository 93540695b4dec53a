#include "discovery/DeviceColumns.h"

#include "discovery/DiscoveryStrings.h"
#include "framework/Dpi.h"
#include "framework/ResourceString.h"

namespace {

struct DeviceColumnLayout {
    UINT headerId;  // the header text's string resource
    int width;
};

// Widths in pixels at 96 DPI, scaled to the window's DPI.
const DeviceColumnLayout DEVICE_COLUMNS[DEVICE_COLUMN_COUNT] = {
    {IDS_COLUMN_ID, 45},          {IDS_COLUMN_ACTIVE_TIME, 80}, {IDS_COLUMN_LAN_IP, 105},
    {IDS_COLUMN_LAN_STATIC_IP, 105}, {IDS_COLUMN_LAN_NETMASK, 95}, {IDS_COLUMN_LAN_GATEWAY, 95},
    {IDS_COLUMN_LAN_MAC, 118},    {IDS_COLUMN_DESCRIPTION, 150}, {IDS_COLUMN_RECORD, 65},
};

} // namespace

void InsertDeviceColumns(const CListCtrl& list, int dpi)
{
    for (int column = 0; column < DEVICE_COLUMN_COUNT; ++column) {
        const DeviceColumnLayout& layout = DEVICE_COLUMNS[column];
        list.InsertColumn(column, LoadResourceString(layout.headerId).c_str(), LVCFMT_CENTER, ScaleForDpi(layout.width, dpi));
    }
}

void SetDeviceColumnWidths(const CListCtrl& list, int dpi)
{
    for (int column = 0; column < DEVICE_COLUMN_COUNT; ++column)
        list.SetColumnWidth(column, ScaleForDpi(DEVICE_COLUMNS[column].width, dpi));
}
