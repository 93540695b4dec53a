// The boxes whose rows the operator has selected, kept on the window thread from the list's
// own change notifications, so that the selection watcher's rule, HighestSelected
// (app/Selection.h), costs what the selection costs, not what the table costs: each box's row
// comes from the device table's row finder, and no pass walks the list.
#pragma once

#include "discovery/DeviceTable.h"

#include <set>

// The selected row with the highest index (the lowest on screen) and the box it shows; row -1
// when no row is selected.
struct HighestSelection {
    int row = -1;
    DeviceId id = 0;
};

// Window thread only.
class SelectedBoxes {
public:
    explicit SelectedBoxes(DeviceTable& table) : m_table(table) {}
    SelectedBoxes(const SelectedBoxes&) = delete;
    SelectedBoxes& operator=(const SelectedBoxes&) = delete;
    void Attach(const CListCtrl& list) { m_list = list; }

    // The list's LVN_ITEMCHANGED: a row's selected bit changed (or, item -1, that of every row).
    void OnItemChanged(const NMLISTVIEW& change);
    // Also forgets boxes whose rows went away or lost their selection without a notification
    // (rows deleted; the list does not report a deleted row's selection).
    HighestSelection HighestSelected();

private:
    // Reads the whole selection from the list again: once per change of every row at once.
    void ReadFromList();
    void AddRow(int row);

    CListCtrl m_list;
    DeviceTable& m_table;
    std::set<DeviceId> m_ids;
};
