// Rows as clipboard text: the formatting on its own, the reading of a real list-view (a
// report-style SysListView32 of the test's own, with the device table's columns) and the
// clipboard itself, read back through the clipboard API.
#include "DeviceListWindow.h"

#include "app/CopyRows.h"
#include "app/Selection.h"
#include "discovery/DeviceTable.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

struct FormatCase {
    const char* what;
    std::vector<std::vector<std::wstring>> lines;
    std::wstring text;
};

// Names the case in the test's name.
void PrintTo(const FormatCase& c, std::ostream* out)
{
    *out << c.what;
}

class FormatTabSeparatedTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatTabSeparatedTest, JoinsCellsWithTabsAndEndsEveryLineWithCrLf)
{
    EXPECT_EQ(FormatTabSeparated(GetParam().lines), GetParam().text) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormatTabSeparatedTest,
    ::testing::Values(
        FormatCase{"nothing", {}, L""},
        FormatCase{"a header alone", {{L"ID", L"Lan IP"}}, L"ID\tLan IP\r\n"},
        FormatCase{"header and rows, in the order given",
                   {{L"ID", L"Lan IP"}, {L"9", L"10.86.1.12"}, {L"7", L"10.86.1.11"}},
                   L"ID\tLan IP\r\n9\t10.86.1.12\r\n7\t10.86.1.11\r\n"},
        FormatCase{"empty cells keep their place", {{L"", L"b", L""}}, L"\tb\t\r\n"},
        FormatCase{"a tab, CR or LF inside a cell becomes a blank",
                   {{L"a\tb", L"c\r\nd", L"e\nf"}}, L"a b\tc  d\te f\r\n"},
        FormatCase{"text outside ASCII stays as it is", {{L"\x00e9t\x00e9", L"\x4e2d"}}, L"\x00e9t\x00e9\t\x4e2d\r\n"}));

const wchar_t HEADER_LINE[] =
    L"ID\tActive Time\tLan IP\tLan Static IP\tLan Netmask\tLan Gateway\tLan Mac\tDescription\tRecord\r\n";

class CopyRowsListTest : public DeviceListWindow {
protected:
    // Appends a row whose cells are "<id>" in column 0 and "<id>.<column>" in the others.
    void AddRow(int id)
    {
        const int row = m_list.InsertItem(m_list.GetItemCount(), std::to_wstring(id));
        for (int column = 1; column < DEVICE_COLUMN_COUNT; ++column)
            m_list.SetItemText(row, column, std::to_wstring(id) + L"." + std::to_wstring(column));
    }

    static std::wstring Line(int id)
    {
        std::wstring line = std::to_wstring(id);
        for (int column = 1; column < DEVICE_COLUMN_COUNT; ++column)
            line += L"\t" + std::to_wstring(id) + L"." + std::to_wstring(column);
        return line + L"\r\n";
    }

    void Select(int row)
    {
        m_list.SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
    }
};

TEST_F(CopyRowsListTest, NineColumnHeadersThenTheRowsCellByCell)
{
    AddRow(7);
    AddRow(9);
    AddRow(11);
    EXPECT_EQ(RowsAsText(m_list, {0, 2}), HEADER_LINE + Line(7) + Line(11));
    EXPECT_EQ(RowsAsText(m_list, AllRows(m_list)), HEADER_LINE + Line(7) + Line(9) + Line(11));
    EXPECT_EQ(RowsAsText(m_list, {}), HEADER_LINE);
}

TEST_F(CopyRowsListTest, SelectedRowsComeInTableOrderWhateverTheOrderOfSelecting)
{
    for (int id = 1; id <= 5; ++id)
        AddRow(id);
    Select(3);
    Select(0);
    Select(4);
    EXPECT_EQ(AllSelected(m_list), (std::vector<int>{0, 3, 4}));
    EXPECT_EQ(RowsAsText(m_list, AllSelected(m_list)), HEADER_LINE + Line(1) + Line(4) + Line(5));
}

TEST_F(CopyRowsListTest, EmptyTableHasNoRows)
{
    EXPECT_TRUE(AllSelected(m_list).empty());
    EXPECT_TRUE(AllRows(m_list).empty());
}

// The clipboard holds exactly the text, CR LF included, as Unicode text.
TEST(ClipboardTest, HoldsTheTextAsUnicodeText)
{
    const std::wstring text = std::wstring(HEADER_LINE) + L"7\t12:00:01\t\x00e9\r\n";
    ASSERT_TRUE(PutTextOnClipboard(nullptr, text));
    ASSERT_TRUE(::OpenClipboard(nullptr));
    HANDLE data = ::GetClipboardData(CF_UNICODETEXT);
    std::wstring read;
    if (data) {
        if (const wchar_t* locked = static_cast<const wchar_t*>(::GlobalLock(data))) {
            read = locked;
            ::GlobalUnlock(data);
        }
    }
    ::CloseClipboard();
    EXPECT_EQ(read, text);
}

} // namespace
