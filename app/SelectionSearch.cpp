#include "app/SelectionSearch.h"

int HighestSelectedRow(const CListCtrl& list)
{
    int highest = -1;
    // Each search starts behind the row found last; a list that answered with an earlier row
    // would end the walk rather than loop.
    for (int row = list.GetNextItem(-1, LVNI_SELECTED); row > highest; row = list.GetNextItem(row, LVNI_SELECTED))
        highest = row;
    return highest;
}
