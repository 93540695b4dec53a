#include "app/Selection.h"

std::vector<int> AllSelected(const CListCtrl& list)
{
    std::vector<int> rows;
    // Each search starts behind the row found last; a list that answered with an earlier row
    // would end the walk rather than loop.
    for (int row = list.GetNextItem(-1, LVNI_SELECTED); row > (rows.empty() ? -1 : rows.back());
         row = list.GetNextItem(row, LVNI_SELECTED))
        rows.push_back(row);
    return rows;
}

int LowestSelected(const CListCtrl& list)
{
    return list.GetNextItem(-1, LVNI_SELECTED);
}

int HighestSelected(const CListCtrl& list)
{
    const std::vector<int> rows = AllSelected(list);
    return rows.empty() ? -1 : rows.back();
}

int FocusedSelected(const CListCtrl& list)
{
    return list.GetNextItem(-1, LVNI_SELECTED | LVNI_FOCUSED);
}
