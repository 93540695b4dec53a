// Which row of a list the operator has selected, by the rule Record, Stop, Record Files and
// the Record button's caption share: the selected row with the highest index.
#pragma once

#include "framework/ListCtrl.h"

// The selected row with the highest index (the lowest on screen), or -1 when none is selected.
// k + 1 list messages for k selected rows, however many rows the list has.
int HighestSelectedRow(const CListCtrl& list);
