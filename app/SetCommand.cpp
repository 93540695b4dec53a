// The Set button: a new static address, netmask and gateway for the lowest selected box.
#include "app/OrvaneDlg.h"

#include "app/Selection.h"
#include "config/SetCommand.h"

// Window thread. Nothing selected: nothing opens and nothing is sent.
void COrvaneDlg::OnSet()
{
    const int row = LowestSelected(m_list);
    if (row == -1)
        return;
    RunSetCommand(m_hWnd, m_list, m_table, row);
}
