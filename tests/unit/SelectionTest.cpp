// The selection rules the commands name, on a real list-view of its own: for each selection,
// the row each rule gives, and how many list messages it costs (the walks k + 1 for k selected
// rows, however long the list).
#include "app/Selection.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Counts the messages the list receives while it lives.
class CountingList {
public:
    explicit CountingList(int rows)
    {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
        ::InitCommonControlsEx(&controls);
        m_hwnd = ::CreateWindowExW(0, WC_LISTVIEWW, L"", WS_POPUP | LVS_REPORT, 0, 0, 400, 300, nullptr, nullptr,
                                   ::GetModuleHandleW(nullptr), nullptr);
        m_list.Attach(m_hwnd);
        m_list.InsertColumn(0, L"ID", LVCFMT_LEFT, 60);
        for (int row = 0; row < rows; ++row)
            m_list.InsertItem(row, std::to_wstring(row));
        ::SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        m_oldProc = (WNDPROC)::SetWindowLongPtrW(m_hwnd, GWLP_WNDPROC, (LONG_PTR)&Proc);
    }
    ~CountingList() { ::DestroyWindow(m_hwnd); }

    void Select(const std::vector<int>& rows) const
    {
        for (int row : rows)
            m_list.SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
    }

    void Focus(int row) const
    {
        if (row >= 0)
            m_list.SetItemState(row, LVIS_FOCUSED, LVIS_FOCUSED);
    }

    const CListCtrl& List() const { return m_list; }
    int messages = 0;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        CountingList* self = reinterpret_cast<CountingList*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        ++self->messages;
        return ::CallWindowProcW(self->m_oldProc, hwnd, message, wParam, lParam);
    }

    HWND m_hwnd = nullptr;
    CListCtrl m_list;
    WNDPROC m_oldProc = nullptr;
};

TEST(Selection, EachRuleGivesItsRowOfTheSelection)
{
    struct Case {
        const char* name;
        int rows;
        std::vector<int> selected;  // in the order of selecting
        int focused;                // -1: no row focused
        int lowest;
        int highest;
        int focusedSelected;
    };
    std::vector<int> everyRow;
    for (int row = 0; row < 300; ++row)
        everyRow.push_back(row);
    const Case cases[] = {
        {"empty list", 0, {}, -1, -1, -1, -1},
        {"nothing selected", 5, {}, -1, -1, -1, -1},
        {"nothing selected, a row focused", 5, {}, 2, -1, -1, -1},
        {"one row", 5, {2}, -1, 2, 2, -1},
        {"one row, focused", 5, {2}, 2, 2, 2, 2},
        {"the two top rows", 5, {0, 1}, 1, 0, 1, 1},
        {"the two top rows of a long list", 2000, {0, 1}, 0, 0, 1, 0},
        {"the last row of a long list", 2000, {1999}, 1999, 1999, 1999, 1999},
        {"rows far apart, selected out of order", 2000, {1000, 3, 17}, 17, 3, 1000, 17},
        {"rows selected, another row focused", 10, {2, 7}, 5, 2, 7, -1},
        {"every row", 300, everyRow, 150, 0, 299, 150},
    };
    for (const Case& c : cases) {
        CountingList list(c.rows);
        list.Select(c.selected);
        list.Focus(c.focused);
        std::vector<int> all = c.selected;
        std::sort(all.begin(), all.end());

        list.messages = 0;
        EXPECT_EQ(AllSelected(list.List()), all) << c.name;
        EXPECT_EQ(list.messages, (int)c.selected.size() + 1) << c.name;
        list.messages = 0;
        EXPECT_EQ(HighestSelected(list.List()), c.highest) << c.name;
        EXPECT_EQ(list.messages, (int)c.selected.size() + 1) << c.name;
        EXPECT_EQ(LowestSelected(list.List()), c.lowest) << c.name;
        EXPECT_EQ(FocusedSelected(list.List()), c.focusedSelected) << c.name;
    }
}

} // namespace
