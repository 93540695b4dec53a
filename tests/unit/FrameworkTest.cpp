// The framework layer on its own: a dialog's default handling when handlers nest, the
// one-message row read of the list control, and the application's name.
#include "app/resource.h"
#include "framework/Dialog.h"
#include "framework/ListCtrl.h"
#include "framework/WinApp.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr UINT WM_TEST_NESTED = WM_APP + 40;
constexpr LRESULT OUTER_RESULT = 7;
constexpr LRESULT NESTED_RESULT = 9;

enum class Ask { NEVER, BEFORE_NESTED, AFTER_NESTED };

// A dialog (the Set dialog's template, created modeless) whose WM_SETTEXT handler handles
// another message before it returns, as a handler that shows a message box or a modal dialog
// does: that loop dispatches messages through the same dialog procedure. Both handlers may
// ask for the default handling. WM_SETTEXT shows whether its default ran: the window text
// changes only then.
class NestingDialog : public CDialog {
public:
    NestingDialog() : CDialog(IDD_SET) {}

    Ask m_outerAsks = Ask::NEVER;
    bool m_nestedAsks = false;
    LRESULT m_nestedAnswer = -1;

protected:
    bool RouteMessage(UINT message, WPARAM, LPARAM, LRESULT& result) override
    {
        if (message == WM_SETTEXT) {
            if (m_outerAsks == Ask::BEFORE_NESTED)
                Default();
            m_nestedAnswer = ::SendMessageW(GetSafeHwnd(), WM_TEST_NESTED, 0, 0);
            if (m_outerAsks == Ask::AFTER_NESTED)
                Default();
            result = OUTER_RESULT;
            return true;
        }
        if (message == WM_TEST_NESTED) {
            if (m_nestedAsks)
                Default();
            result = NESTED_RESULT;
            return true;
        }
        return false;
    }
};

struct NestingCase {
    const char* name;
    Ask outerAsks;
    bool nestedAsks;
};

// Each message gets the default handling exactly when its own handler asked for it: a nested
// message that asks does not take the outer handler's result away (it once returned FALSE and
// lost DWLP_MSGRESULT, as with a nested WM_PAINT), and a nested message that does not ask does
// not cancel the outer handler's request.
TEST(DialogDefault, BelongsToTheMessageWhoseHandlerAskedForIt)
{
    const NestingCase cases[] = {
        {"neither asks", Ask::NEVER, false},
        {"only the nested message asks (a nested WM_PAINT)", Ask::NEVER, true},
        {"the outer handler asks before the nested message", Ask::BEFORE_NESTED, false},
        {"both ask", Ask::BEFORE_NESTED, true},
        {"the outer handler asks after the nested message", Ask::AFTER_NESTED, false},
        {"the outer handler asks after a nested message that asks too", Ask::AFTER_NESTED, true},
    };
    for (const NestingCase& c : cases) {
        SCOPED_TRACE(c.name);
        NestingDialog dialog;
        ASSERT_TRUE(dialog.Create(nullptr));
        const HWND hwnd = dialog.GetSafeHwnd();
        dialog.m_outerAsks = c.outerAsks;
        dialog.m_nestedAsks = c.nestedAsks;

        const LRESULT answer = ::SendMessageW(hwnd, WM_SETTEXT, 0, (LPARAM)L"changed by the default");
        const bool outerDefaultRan = c.outerAsks != Ask::NEVER;
        wchar_t text[64] = {};
        ::GetWindowTextW(hwnd, text, 64);
        EXPECT_EQ(std::wstring(text) == L"changed by the default", outerDefaultRan) << "outer default";
        if (!outerDefaultRan) {
            EXPECT_EQ(answer, OUTER_RESULT) << "the outer handler's result";
        }
        // The default of a private message answers 0.
        EXPECT_EQ(dialog.m_nestedAnswer, c.nestedAsks ? 0 : NESTED_RESULT) << "nested message";
    }
}

// Row states: one row's bits under the mask change and nothing else; row -1 sets every row.
TEST(ListCtrlRowState, SetsTheMaskedBitsOfOneRowOrOfAll)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&controls);
    HWND hwnd = ::CreateWindowExW(0, WC_LISTVIEWW, L"", WS_POPUP | LVS_REPORT, 0, 0, 200, 200, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    CListCtrl list(hwnd);
    list.InsertColumn(0, L"ID", LVCFMT_LEFT, 50);
    for (int row = 0; row < 3; ++row)
        list.InsertItem(row, std::to_wstring(row));
    const UINT both = LVIS_SELECTED | LVIS_FOCUSED;
    auto states = [&] {
        std::vector<UINT> all;
        for (int row = 0; row < 3; ++row)
            all.push_back(list.GetItemState(row, both));
        return all;
    };

    EXPECT_TRUE(list.SetItemState(1, both, both));
    EXPECT_EQ(states(), (std::vector<UINT>{0, both, 0}));
    EXPECT_TRUE(list.SetItemState(-1, LVIS_SELECTED, LVIS_SELECTED));
    EXPECT_EQ(states(), (std::vector<UINT>{LVIS_SELECTED, both, LVIS_SELECTED})) << "row 1 keeps the focus";
    EXPECT_TRUE(list.SetItemState(-1, 0, LVIS_SELECTED));
    EXPECT_EQ(states(), (std::vector<UINT>{0, LVIS_FOCUSED, 0}));
    EXPECT_FALSE(list.SetItemState(7, LVIS_SELECTED, LVIS_SELECTED)) << "no such row";
    ::DestroyWindow(hwnd);
}

// The application's name comes from the program's own resources; it is the caption of the
// message boxes that give none.
TEST(ApplicationName, IsTheProgramsTitleString)
{
    EXPECT_EQ(AfxGetAppName(), L"Orvane");
}

} // namespace
