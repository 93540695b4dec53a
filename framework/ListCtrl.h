// A view of a list-view control. Every call is one message sent to the control, so it is
// safe from any thread: the control's own thread carries it out while the caller waits.
#pragma once

#include "framework/Wnd.h"

#include <commctrl.h>

#include <string>

class CListCtrl : public CWnd {
public:
    CListCtrl() = default;
    explicit CListCtrl(HWND hwnd) : CWnd(hwnd) {}
    void Attach(HWND hwnd) { m_hWnd = hwnd; }

    int GetItemCount() const { return (int)SendMessage(LVM_GETITEMCOUNT); }
    UINT GetSelectedCount() const { return (UINT)SendMessage(LVM_GETSELECTEDCOUNT); }
    int GetNextItem(int start, UINT flags) const { return (int)SendMessage(LVM_GETNEXTITEM, start, MAKELPARAM(flags, 0)); }
    UINT GetItemState(int row, UINT mask) const { return (UINT)SendMessage(LVM_GETITEMSTATE, row, mask); }
    BOOL DeleteItem(int row) const { return (BOOL)SendMessage(LVM_DELETEITEM, row); }
    BOOL DeleteAllItems() const { return (BOOL)SendMessage(LVM_DELETEALLITEMS); }
    void SetExtendedStyle(DWORD styles) const { SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, styles); }
    BOOL SetColumnWidth(int column, int width) const { return (BOOL)SendMessage(LVM_SETCOLUMNWIDTH, column, MAKELPARAM(width, 0)); }
    HWND GetHeaderCtrl() const { return (HWND)SendMessage(LVM_GETHEADER); }
    BOOL EnsureVisible(int row, BOOL partialOk) const { return (BOOL)SendMessage(LVM_ENSUREVISIBLE, row, partialOk); }
    int SubItemHitTest(LVHITTESTINFO* hit) const { return (int)SendMessage(LVM_SUBITEMHITTEST, 0, (LPARAM)hit); }
    int SetSelectionMark(int row) const { return (int)SendMessage(LVM_SETSELECTIONMARK, 0, row); }

    int InsertColumn(int column, const wchar_t* header, int format, int width) const;
    // The number of columns (the header's items); 0 without a header.
    int GetColumnCount() const;
    // A column's header text; empty for a column that does not exist.
    std::wstring GetColumnHeader(int column) const;
    // The row's rectangle of the given part (LVIR_BOUNDS, LVIR_LABEL, ...) in client coordinates.
    BOOL GetItemRect(int row, RECT* rect, int part) const;
    // Inserts a row with its column-0 text; returns its index or -1.
    int InsertItem(int row, const std::wstring& text) const;
    void SetItemText(int row, int column, const std::wstring& text) const;
    // The whole text of one cell, however long; empty for a row that does not exist.
    std::wstring GetItemText(int row, int column) const;
    LPARAM GetItemData(int row) const;
    // Sets the state bits under mask to those of state, for one row or, with row -1, for all.
    BOOL SetItemState(int row, UINT state, UINT mask) const;
    BOOL SetItemData(int row, LPARAM data) const;
    // The index of the row whose item data equals data, or -1.
    int FindItemByData(LPARAM data) const;
};
