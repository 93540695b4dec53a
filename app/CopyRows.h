// Rows of the device table as text for the clipboard: a header line with the column names,
// then one line per row, cells separated by tabs and every line ended by CR LF, so that the
// text pastes into a spreadsheet as a table.
#pragma once

#include "framework/ListCtrl.h"

#include <string>
#include <vector>

// One line per entry (the header line first), cells joined by tabs, each line ended by CR LF.
// A tab, CR or LF inside a cell becomes a blank, so that every cell stays one cell.
std::wstring FormatTabSeparated(const std::vector<std::vector<std::wstring>>& lines);

// The list's column headers, then the given rows in the order given, as FormatTabSeparated
// writes them. Call on the list's own thread, so that no row moves while it is read.
std::wstring RowsAsText(const CListCtrl& list, const std::vector<int>& rows);

// Every row, from top to bottom.
std::vector<int> AllRows(const CListCtrl& list);

// Makes the text the clipboard's only content, as CF_UNICODETEXT. False when the clipboard
// stayed busy (another program holding it open) or the text could not be placed.
bool PutTextOnClipboard(HWND owner, const std::wstring& text);
