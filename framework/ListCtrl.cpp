#include "framework/ListCtrl.h"

#include <vector>

int CListCtrl::InsertColumn(int column, const wchar_t* header, int format, int width) const
{
    LVCOLUMNW col = {};
    col.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    col.fmt = format;
    col.cx = width;
    col.pszText = const_cast<wchar_t*>(header);
    return (int)SendMessage(LVM_INSERTCOLUMNW, column, (LPARAM)&col);
}

int CListCtrl::GetColumnCount() const
{
    HWND header = GetHeaderCtrl();
    return header ? (int)::SendMessageW(header, HDM_GETITEMCOUNT, 0, 0) : 0;
}

std::wstring CListCtrl::GetColumnHeader(int column) const
{
    wchar_t text[256] = {};
    LVCOLUMNW col = {};
    col.mask = LVCF_TEXT;
    col.pszText = text;
    col.cchTextMax = 256;
    if (!SendMessage(LVM_GETCOLUMNW, column, (LPARAM)&col))
        return std::wstring();
    return text;
}

BOOL CListCtrl::GetItemRect(int row, RECT* rect, int part) const
{
    rect->left = part;
    return (BOOL)SendMessage(LVM_GETITEMRECT, row, (LPARAM)rect);
}

int CListCtrl::InsertItem(int row, const std::wstring& text) const
{
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    return (int)SendMessage(LVM_INSERTITEMW, 0, (LPARAM)&item);
}

void CListCtrl::SetItemText(int row, int column, const std::wstring& text) const
{
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    SendMessage(LVM_SETITEMTEXTW, row, (LPARAM)&item);
}

std::wstring CListCtrl::GetItemText(int row, int column) const
{
    // The control copies at most the buffer less one character; grow until the text fits.
    for (int size = 64;; size *= 2) {
        std::vector<wchar_t> buffer(size, L'\0');
        LVITEMW item = {};
        item.iSubItem = column;
        item.cchTextMax = size;
        item.pszText = buffer.data();
        int length = (int)SendMessage(LVM_GETITEMTEXTW, row, (LPARAM)&item);
        if (length < size - 1 || size >= 1 << 20)
            return std::wstring(buffer.data(), length > 0 ? length : 0);
    }
}

LPARAM CListCtrl::GetItemData(int row) const
{
    LVITEMW item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!SendMessage(LVM_GETITEMW, 0, (LPARAM)&item))
        return 0;
    return item.lParam;
}

BOOL CListCtrl::SetItemState(int row, UINT state, UINT mask) const
{
    LVITEMW item = {};
    item.stateMask = mask;
    item.state = state;
    return (BOOL)SendMessage(LVM_SETITEMSTATE, (WPARAM)row, (LPARAM)&item);
}

BOOL CListCtrl::SetItemData(int row, LPARAM data) const
{
    LVITEMW item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    item.lParam = data;
    return (BOOL)SendMessage(LVM_SETITEMW, 0, (LPARAM)&item);
}

int CListCtrl::FindItemByData(LPARAM data) const
{
    LVFINDINFOW find = {};
    find.flags = LVFI_PARAM;
    find.lParam = data;
    return (int)SendMessage(LVM_FINDITEMW, (WPARAM)-1, (LPARAM)&find);
}
