// The "Search networks" dialog: the operator types CIDR blocks, ranges or addresses, Search
// starts a network search of them, a progress bar and a status line follow it, and Close
// ends the dialog and the running search. The main window stays usable meanwhile: rows of the
// boxes that answer appear in it as they come.
#pragma once

#include "discovery/NetworkSearch.h"
#include "framework/Dialog.h"
#include "framework/MessageMap.h"

#include <string>

class CSearchDlg : public CDialog {
public:
    // search: the engine that sends (not owned; it outlives the dialog). lastSearchText: the
    // text of the latest search started, shown when the dialog opens and replaced by each new
    // one (not owned; held by the main window for the program's run).
    CSearchDlg(HWND parent, NetworkSearch& search, std::wstring& lastSearchText);

protected:
    BOOL OnInitDialog() override;
    // Search: starts the search of the typed text, or says why the text is refused.
    void OnOK() override;
    // Close (and Esc, the close box): ends the running search, then the dialog.
    void OnCancel() override;
    bool RouteMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    static const MessageMapEntry<CSearchDlg> MESSAGE_MAP[];
    void OnTimer(UINT timerId, LPARAM lParam);
    void ShowProgress();
    void SetStatus(const std::wstring& text);

    NetworkSearch& m_search;
    std::wstring& m_lastSearchText;
    bool m_started = false;  // this dialog started a search: its progress is shown
    std::wstring m_status;   // the status text shown
};
