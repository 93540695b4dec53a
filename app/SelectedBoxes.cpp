#include "app/SelectedBoxes.h"

#include "app/Selection.h"

void SelectedBoxes::OnItemChanged(const NMLISTVIEW& change)
{
    if (!(change.uChanged & LVIF_STATE) || !((change.uOldState ^ change.uNewState) & LVIS_SELECTED))
        return;
    if (change.iItem < 0) {
        ReadFromList();
        return;
    }
    if (change.uNewState & LVIS_SELECTED) {
        AddRow(change.iItem);
        return;
    }
    const RowTag* tag = m_table.TagOfRow(change.iItem);
    if (tag)
        m_ids.erase(tag->deviceId);
}

// A row without a RowTag exists only while the table creates it, before anyone can select it;
// the row finder could not find it.
void SelectedBoxes::AddRow(int row)
{
    const RowTag* tag = m_table.TagOfRow(row);
    if (tag)
        m_ids.insert(tag->deviceId);
}

void SelectedBoxes::ReadFromList()
{
    m_ids.clear();
    for (int row : AllSelected(m_list))
        AddRow(row);
}

HighestSelection SelectedBoxes::HighestSelected()
{
    HighestSelection highest;
    for (auto id = m_ids.begin(); id != m_ids.end();) {
        const int row = m_table.FindRow(*id);
        if (row < 0 || m_list.GetItemState(row, LVIS_SELECTED) != LVIS_SELECTED) {
            id = m_ids.erase(id);
            continue;
        }
        if (row > highest.row)
            highest = {row, *id};
        ++id;
    }
    return highest;
}
