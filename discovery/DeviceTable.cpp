#include "discovery/DeviceTable.h"

#include "discovery/DiscoveryStrings.h"
#include "framework/ResourceString.h"

#include <algorithm>
#include <string>
#include <unordered_set>

void DeviceTable::Attach(const CListCtrl& list)
{
    m_list = list;
    m_redrawHold.Attach(list);
}

RowTag* DeviceTable::TagOfRow(int row) const
{
    return reinterpret_cast<RowTag*>(m_list.GetItemData(row));
}

DeviceId DeviceTable::DeviceIdInRow(int row) const
{
    const RowTag* tag = TagOfRow(row);
    return tag ? tag->deviceId : 0;
}

int DeviceTable::FindRow(DeviceId id)
{
    RowHint* hint = FindHint(id);
    return hint ? hint->row : -1;
}

DeviceTable::RowHint* DeviceTable::FindHint(DeviceId id)
{
    auto found = m_newestRow.find(id);
    if (found == m_newestRow.end())
        return nullptr;
    RowHint& hint = found->second;
    const LPARAM tag = reinterpret_cast<LPARAM>(hint.tag);
    // One look at the row where the box should be; the list's own (linear) search only when
    // rows were removed since.
    int row = hint.row + (int)(m_inserted - hint.insertedBefore);
    if (m_list.GetItemData(row) != tag) {
        row = m_list.FindItemByData(tag);
        if (row < 0)
            return nullptr;
    }
    hint.row = row;
    hint.insertedBefore = m_inserted;
    return &hint;
}

int DeviceTable::Apply(const AnnouncementJob& job)
{
    RowHint* hint = FindHint(job.deviceId);
    if (!hint) {
        if (job.fromReceiver)
            m_redrawHold.Begin();
        const int row = m_list.InsertItem(0, std::to_wstring(job.deviceId));
        if (row < 0)
            return -1;
        m_rowTags.push_back(std::make_unique<RowTag>(RowTag{job.deviceId, 0}));
        RowTag* tag = m_rowTags.back().get();
        ++m_inserted;
        m_list.SetItemData(row, reinterpret_cast<LPARAM>(tag));
        m_list.SetItemText(row, COL_RECORD, LoadResourceString(IDS_RECORD_CELL_OFF));
        hint = &m_newestRow[job.deviceId];
        *hint = RowHint{tag, row, m_inserted, {}};
    }
    for (int column = FIRST_ANNOUNCED_COLUMN; column <= LAST_ANNOUNCED_COLUMN; ++column) {
        if (job.cells[column] == hint->shown[column] && !hint->shown[column].empty())
            continue;
        m_list.SetItemText(hint->row, column, job.cells[column]);
        hint->shown[column] = job.cells[column];
    }
    return hint->row;
}

void DeviceTable::ReleaseRemovedRows()
{
    std::map<DeviceId, RowHint> before;
    before.swap(m_newestRow);
    std::unordered_set<const RowTag*> listed;
    const int count = m_list.GetItemCount();
    for (int row = 0; row < count; ++row) {
        RowTag* tag = TagOfRow(row);
        if (!tag)
            continue;
        listed.insert(tag);
        RowHint& hint = m_newestRow[tag->deviceId];
        auto old = before.find(tag->deviceId);
        if (old != before.end() && old->second.tag == tag)
            hint = std::move(old->second);  // its cells as written
        else
            hint = RowHint{tag, row, m_inserted, {}};
        hint.row = row;
        hint.insertedBefore = m_inserted;
    }
    // The records of the rows removed are freed here.
    m_rowTags.erase(std::remove_if(m_rowTags.begin(), m_rowTags.end(),
                                   [&](const std::unique_ptr<RowTag>& tag) { return listed.count(tag.get()) == 0; }),
                    m_rowTags.end());
}
