#include "discovery/DeviceTable.h"

#include "app/AppMessages.h"
#include "app/OrvaneDlg.h"
#include "discovery/BoardType.h"
#include "discovery/Ipv4Text.h"
#include "framework/TextCodec.h"

#include <cstdio>
#include <cstring>
#include <ctime>

COrvaneDlg* g_mainDialog = nullptr;
std::map<DeviceId, std::uint32_t, DeviceIdUnsignedLess> DeviceInterfaceMap;
std::recursive_mutex DeviceMapLock;
std::mutex ReplyLock;

namespace {

struct ColumnSpec {
    const wchar_t* header;
    int width;
};

const ColumnSpec kColumns[DEVICE_COLUMN_COUNT] = {
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
    for (int column = 0; column < DEVICE_COLUMN_COUNT; ++column)
        list.InsertColumn(column, kColumns[column].header, LVCFMT_CENTER, kColumns[column].width);
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

int DeviceTable::FindRow(DeviceId id) const
{
    auto found = m_newestTag.find(id);
    if (found == m_newestTag.end())
        return -1;
    return m_list.FindItemByData(reinterpret_cast<LPARAM>(found->second));
}

int DeviceTable::Apply(const AnnouncementJob& job)
{
    int row = FindRow(job.deviceId);
    if (row < 0) {
        row = m_list.InsertItem(0, std::to_wstring(job.deviceId));
        RowTag* tag = new RowTag{job.deviceId, {0}};
        m_rowTags.push_back(tag);
        if (row < 0)
            return -1;
        m_list.SetItemData(row, reinterpret_cast<LPARAM>(tag));
        m_newestTag[job.deviceId] = tag;
        m_list.SetItemText(row, COL_RECORD, L"Off");
    }
    for (int cell = 0; cell < 7; ++cell)
        m_list.SetItemText(row, COL_ACTIVE_TIME + cell, job.cells[cell]);
    return row;
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
    ::SendMessageW(dialog->GetSafeHwnd(), WM_APP_ANNOUNCEMENT, 0, reinterpret_cast<LPARAM>(&job));
}
