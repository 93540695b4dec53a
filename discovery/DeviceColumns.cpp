#include "discovery/DeviceColumns.h"

#include "framework/Dpi.h"

namespace {

struct DeviceColumnLayout {
    const wchar_t* header;
    int width;
};

// Widths in pixels at 96 DPI, scaled to the window's DPI.
const DeviceColumnLayout DEVICE_COLUMNS[DEVICE_COLUMN_COUNT] = {
    {L"ID", 45},           {L"Active Time", 80},  {L"Lan IP", 105},
    {L"Lan Static IP", 105}, {L"Lan Netmask", 95}, {L"Lan Gateway", 95},
    {L"Lan Mac", 118},     {L"Description", 150}, {L"Record", 65},
};

} // namespace

void InsertDeviceColumns(const CListCtrl& list, int dpi)
{
    for (int column = 0; column < DEVICE_COLUMN_COUNT; ++column) {
        const DeviceColumnLayout& layout = DEVICE_COLUMNS[column];
        list.InsertColumn(column, layout.header, LVCFMT_CENTER, ScaleForDpi(layout.width, dpi));
    }
}

void SetDeviceColumnWidths(const CListCtrl& list, int dpi)
{
    for (int column = 0; column < DEVICE_COLUMN_COUNT; ++column)
        list.SetColumnWidth(column, ScaleForDpi(DEVICE_COLUMNS[column].width, dpi));
}
