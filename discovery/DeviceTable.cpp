#include "discovery/DeviceTable.h"

#include "app/OrvaneDlg.h"
#include "discovery/BoardType.h"
#include "discovery/Ipv4Text.h"
#include "framework/Dpi.h"
#include "framework/TextCodec.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <unordered_set>

COrvaneDlg* g_mainDialog = nullptr;
std::map<DeviceId, std::uint32_t, DeviceIdUnsignedLess> DeviceInterfaceMap;
std::recursive_mutex DeviceMapLock;
std::mutex ReplyLock;

namespace {

struct DeviceColumnLayout {
    const wchar_t* header;
    int width;
};

// Widths in pixels at 96 DPI, scaled to the system DPI when the columns are inserted.
const DeviceColumnLayout DEVICE_COLUMNS[DEVICE_COLUMN_COUNT] = {
    {L"ID", 45},           {L"Active Time", 80},  {L"Lan IP", 105},
    {L"Lan Static IP", 105}, {L"Lan Netmask", 95}, {L"Lan Gateway", 95},
    {L"Lan Mac", 118},     {L"Description", 150}, {L"Record", 65},
};

std::wstring FormatMac(const std::uint8_t* mac)
{
    wchar_t text[32];
    std::swprintf(text, 32, L"%02x:%02x:%02x:%02x:%02x:%02x", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
    return text;
}

} // namespace

void InsertDeviceColumns(const CListCtrl& list)
{
    const int dpi = SystemDpi();
    for (int column = 0; column < DEVICE_COLUMN_COUNT; ++column) {
        const DeviceColumnLayout& layout = DEVICE_COLUMNS[column];
        list.InsertColumn(column, layout.header, LVCFMT_CENTER, ScaleForDpi(layout.width, dpi));
    }
}

AnnouncementJob MakeAnnouncementJob(const DeviceDatagram& announcement, Ipv4Host source,
                                    std::uint32_t nowSecondsSince1970)
{
    AnnouncementJob job;
    job.deviceId = announcement.deviceId;
    job.cells[0] = NarrowToWide(FormatLocalTime(nowSecondsSince1970));
    job.cells[1] = NarrowToWide(Ipv4HostToText(source));
    job.cells[2] = NarrowToWide(Ipv4HostToText(announcement.lanStaticIp));
    job.cells[3] = NarrowToWide(Ipv4HostToText(announcement.lanNetmask));
    job.cells[4] = NarrowToWide(Ipv4HostToText(announcement.lanGateway));
    job.cells[5] = FormatMac(announcement.mac);
    job.cells[6] = BoardTypeLabel(announcement.boardType);
    return job;
}

int DeviceTable::FindRow(DeviceId id)
{
    auto found = m_newestRow.find(id);
    if (found == m_newestRow.end())
        return -1;
    RowHint& hint = found->second;
    const LPARAM tag = reinterpret_cast<LPARAM>(hint.tag);
    // One look at the row where the box should be; the list's own (linear) search only when
    // rows were removed since.
    int row = hint.row + (int)(m_inserted - hint.insertedBefore);
    if (m_list.GetItemData(row) != tag) {
        row = m_list.FindItemByData(tag);
        if (row < 0)
            return -1;
    }
    hint.row = row;
    hint.insertedBefore = m_inserted;
    return row;
}

int DeviceTable::Apply(const AnnouncementJob& job)
{
    int row = FindRow(job.deviceId);
    if (row < 0) {
        if (job.fromReceiver)
            HoldRedrawForNewRows();
        row = m_list.InsertItem(0, std::to_wstring(job.deviceId));
        RowTag* tag = new RowTag{job.deviceId, {0}};
        m_rowTags.push_back(tag);
        if (row < 0)
            return -1;
        ++m_inserted;
        m_list.SetItemData(row, reinterpret_cast<LPARAM>(tag));
        m_newestRow[job.deviceId] = RowHint{tag, row, m_inserted};
        m_list.SetItemText(row, COL_RECORD, L"Off");
    }
    for (int cell = 0; cell < 7; ++cell)
        m_list.SetItemText(row, COL_ACTIVE_TIME + cell, job.cells[cell]);
    return row;
}

void DeviceTable::ReleaseRemovedRows()
{
    std::unordered_set<const RowTag*> listed;
    m_newestRow.clear();
    const int count = m_list.GetItemCount();
    for (int row = 0; row < count; ++row) {
        RowTag* tag = reinterpret_cast<RowTag*>(m_list.GetItemData(row));
        if (!tag)
            continue;
        listed.insert(tag);
        m_newestRow[tag->deviceId] = RowHint{tag, row, m_inserted};
    }
    auto kept = std::stable_partition(m_rowTags.begin(), m_rowTags.end(),
                                      [&](const RowTag* tag) { return listed.count(tag) != 0; });
    for (auto released = kept; released != m_rowTags.end(); ++released)
        delete *released;
    m_rowTags.erase(kept, m_rowTags.end());
}

namespace {
// While new boxes keep arriving, the list is painted at most this often.
constexpr UINT NEW_ROW_REDRAW_MS = 200;
} // namespace

// A row inserted at the top of a visible list makes the list scroll and repaint at once; when
// hundreds of boxes answer one probe, that painting, not the table work, would set the pace
// (tens of milliseconds per row under Wine). So the list stops painting at the first new row
// from a receiver and paints everything once the timer ends the hold. Refreshes of listed
// boxes paint as usual.
void DeviceTable::HoldRedrawForNewRows()
{
    HWND list = m_list.GetSafeHwnd();
    if (m_redrawHeld || !(::GetWindowLongPtrW(list, GWL_STYLE) & WS_VISIBLE))
        return;
    if (!::SetTimer(list, reinterpret_cast<UINT_PTR>(this), NEW_ROW_REDRAW_MS, &DeviceTable::ReleaseRedraw))
        return;
    m_list.SendMessage(WM_SETREDRAW, FALSE);
    m_redrawHeld = true;
}

void CALLBACK DeviceTable::ReleaseRedraw(HWND list, UINT, UINT_PTR timerId, DWORD)
{
    ::KillTimer(list, timerId);
    DeviceTable* table = reinterpret_cast<DeviceTable*>(timerId);
    table->m_redrawHeld = false;
    ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    ::RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

bool LookUpDeviceInterface(DeviceId id, std::uint32_t* interfaceIndex)
{
    std::lock_guard<std::recursive_mutex> lock(DeviceMapLock);
    auto found = DeviceInterfaceMap.find(id);
    if (found == DeviceInterfaceMap.end())
        return false;
    *interfaceIndex = found->second;
    return true;
}

void HandleAnnouncement(const void* bytes, int length, std::uint32_t interfaceIndex, Ipv4Host source)
{
    COrvaneDlg* dialog = g_mainDialog;
    if (!IsAcceptedAnnouncement(bytes, length))
        return;
    DeviceDatagram announcement;
    std::memcpy(&announcement, bytes, sizeof announcement);
    {
        std::lock_guard<std::recursive_mutex> lock(DeviceMapLock);
        DeviceInterfaceMap.erase(announcement.deviceId);
    }
    {
        std::lock_guard<std::recursive_mutex> lock(DeviceMapLock);
        DeviceInterfaceMap.insert({announcement.deviceId, interfaceIndex});
    }
    if (!dialog || !dialog->GetSafeHwnd())
        return;
    AnnouncementJob job = MakeAnnouncementJob(announcement, source, (std::uint32_t)std::time(nullptr));
    job.fromReceiver = true;
    // The receiver goes back to its socket at once; the window thread writes the row soon after.
    dialog->QueueAnnouncement(std::move(job));
}
