#include "app/OrvaneDlg.h"

// Placeholder bodies until the configuration commands land.
void COrvaneDlg::OnSet() {}
void COrvaneDlg::OnListDblClk(NMHDR*, LRESULT* pResult) { *pResult = 0; }
void COrvaneDlg::OpenDeviceWebPage() {}
