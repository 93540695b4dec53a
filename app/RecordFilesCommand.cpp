// The Record Files button: Explorer on the program's folder, with the selected box's newest
// recording selected when that file exists.
#include "app/OrvaneDlg.h"

#include "app/Selection.h"
#include "framework/ResourceString.h"
#include "recording/RecordFilesCommand.h"

// Window thread. The box is the one selected at the click (the rule of OnRecord).
void COrvaneDlg::OnRecordFiles()
{
    const int row = HighestSelected(m_list);
    const DeviceId id = row >= 0 ? m_table.DeviceIdInRow(row) : 0;
    const std::optional<std::wstring> parameters =
        RecordFilesParameters(m_recordings, row >= 0, id, GetExecutableDirectory());
    if (!parameters) {
        MessageBox(LoadResourceString(IDS_RECORD_FILE_NOT_YET));
        return;
    }
    if (m_openExplorer)
        m_openExplorer(*parameters);
    else
        OpenExplorer(*parameters);
}
