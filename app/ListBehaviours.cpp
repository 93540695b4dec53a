#include "app/OrvaneDlg.h"

// Placeholder bodies until the list behaviours land.
void COrvaneDlg::OnListCustomDraw(NMHDR*, LRESULT* pResult) { *pResult = CDRF_DODEFAULT; }
void COrvaneDlg::OnClear() {}
void COrvaneDlg::WatchSelection() {}
