#include "app/CopyRows.h"

#include <algorithm>
#include <cstring>

namespace {

// Another program may hold the clipboard open for a moment.
constexpr int CLIPBOARD_OPEN_ATTEMPTS = 10;
constexpr DWORD CLIPBOARD_RETRY_MS = 20;

std::wstring OneLineCell(std::wstring cell)
{
    std::replace_if(cell.begin(), cell.end(), [](wchar_t c) { return c == L'\t' || c == L'\r' || c == L'\n'; }, L' ');
    return cell;
}

} // namespace

std::wstring FormatTabSeparated(const std::vector<std::vector<std::wstring>>& lines)
{
    std::wstring text;
    for (const std::vector<std::wstring>& cells : lines) {
        for (std::size_t i = 0; i < cells.size(); ++i) {
            if (i > 0)
                text += L'\t';
            text += OneLineCell(cells[i]);
        }
        text += L"\r\n";
    }
    return text;
}

std::wstring RowsAsText(const CListCtrl& list, const std::vector<int>& rows)
{
    const int columns = list.GetColumnCount();
    std::vector<std::vector<std::wstring>> lines;
    lines.reserve(rows.size() + 1);
    lines.emplace_back();
    for (int column = 0; column < columns; ++column)
        lines.back().push_back(list.GetColumnHeader(column));
    for (int row : rows) {
        lines.emplace_back();
        for (int column = 0; column < columns; ++column)
            lines.back().push_back(list.GetItemText(row, column));
    }
    return FormatTabSeparated(lines);
}

std::vector<int> AllRows(const CListCtrl& list)
{
    std::vector<int> rows(std::max(list.GetItemCount(), 0));
    for (std::size_t row = 0; row < rows.size(); ++row)
        rows[row] = (int)row;
    return rows;
}

bool PutTextOnClipboard(HWND owner, const std::wstring& text)
{
    const SIZE_T bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory)
        return false;
    void* data = ::GlobalLock(memory);
    if (!data) {
        ::GlobalFree(memory);
        return false;
    }
    std::memcpy(data, text.c_str(), bytes);
    ::GlobalUnlock(memory);

    bool opened = false;
    for (int attempt = 0; attempt < CLIPBOARD_OPEN_ATTEMPTS && !opened; ++attempt) {
        opened = ::OpenClipboard(owner) != FALSE;
        if (!opened)
            ::Sleep(CLIPBOARD_RETRY_MS);
    }
    if (!opened) {
        ::GlobalFree(memory);
        return false;
    }
    // Once SetClipboardData succeeds the clipboard owns the memory.
    const bool placed = ::EmptyClipboard() && ::SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    ::CloseClipboard();
    if (!placed)
        ::GlobalFree(memory);
    return placed;
}
