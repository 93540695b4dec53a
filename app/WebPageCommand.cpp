// The double click: the web page of the lowest selected box.
#include "app/OrvaneDlg.h"

#include "app/Selection.h"
#include "config/WebPageCommand.h"

void COrvaneDlg::OnListDblClk(NMHDR*, LRESULT* pResult)
{
    // The command works on the selection, whichever item the notification names.
    OpenDeviceWebPage();
    *pResult = 0;
}

// Window thread. Nothing selected: nothing happens.
void COrvaneDlg::OpenDeviceWebPage()
{
    const int row = LowestSelected(m_list);
    if (row == -1)
        return;
    OpenWebPageOfRow(m_hWnd, m_list, m_table, row, *m_ipHelper, m_addedAddresses);
}
