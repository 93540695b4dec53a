// Which rows of the device list a command acts on, by name. Each command names its rule where
// it asks, and every rule reads the list when it is asked, so a command acts on the selection
// the operator sees at the click, wherever announcements or Clear have moved the rows since.
// Call them on the list's own thread, so that no row moves while a rule reads.
#pragma once

#include "framework/ListCtrl.h"

#include <vector>

// Every selected row, from top to bottom: Copy. k + 1 list messages for k selected rows.
std::vector<int> AllSelected(const CListCtrl& list);

// The selected row with the lowest index (the highest on screen), or -1: Set and the web page.
int LowestSelected(const CListCtrl& list);

// The selected row with the highest index (the lowest on screen), or -1: Record, Stop, Record
// Files, Recording details and the Record button's caption (the selection watcher keeps this
// rule from the list's notifications, app/SelectedBoxes.h). k + 1 list messages for k selected
// rows, however many rows the list has.
int HighestSelected(const CListCtrl& list);

// The focused row when it is selected, or -1: the row a shortcut menu is for.
int FocusedSelected(const CListCtrl& list);
