#include "discovery/DeviceTable.h"

#include <algorithm>
#include <string>
#include <unordered_set>

void DeviceTable::Attach(const CListCtrl& list)
{
    m_list = list;
    m_redrawHold.Attach(list);
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
            m_redrawHold.Begin();
        row = m_list.InsertItem(0, std::to_wstring(job.deviceId));
        if (row < 0)
            return -1;
        RowTag* tag = new RowTag{job.deviceId, {0}};
        m_rowTags.push_back(tag);
        ++m_inserted;
        m_list.SetItemData(row, reinterpret_cast<LPARAM>(tag));
        m_newestRow[job.deviceId] = RowHint{tag, row, m_inserted};
        m_list.SetItemText(row, COL_RECORD, L"Off");
    }
    for (int column = FIRST_ANNOUNCED_COLUMN; column <= LAST_ANNOUNCED_COLUMN; ++column)
        m_list.SetItemText(row, column, job.cells[column]);
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
