#include "app/OrvaneDlg.h"

// Placeholder bodies until recording lands.
void COrvaneDlg::OnRecord() {}
void COrvaneDlg::OnRecordFiles() {}
int COrvaneDlg::RecordStream(std::string, int, std::string, DeviceId) { return -1; }
