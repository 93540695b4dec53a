// The Record Files button: Explorer on the program's folder, with the selected box's newest
// recording selected when that file exists.
#include "app/OrvaneDlg.h"

#include "app/Selection.h"
#include "framework/ResourceString.h"

#include <io.h>
#include <shellapi.h>

void OpenExplorer(const std::wstring& parameters)
{
    // Nothing is reported when Explorer does not start.
    ::ShellExecuteW(nullptr, L"open", L"explorer.exe", parameters.c_str(), nullptr, SW_SHOWNORMAL);
}

// Window thread. The box is the one selected at the click (the rule of OnRecord).
void COrvaneDlg::OnRecordFiles()
{
    const std::wstring directory = GetExecutableDirectory();
    const int row = HighestSelected(m_list);
    DeviceId id = 0;
    std::wstring file;
    if (row >= 0) {
        id = m_table.DeviceIdInRow(row);
        file = m_recordings.File(id);
    }

    std::wstring parameters = directory;
    if (!file.empty()) {
        if (::_waccess(file.c_str(), 0) == 0) {
            parameters = L"/select," + file;
        } else if (m_recordings.IsWanted(id)) {
            // The recorder creates the file only once the box's response header has arrived.
            MessageBox(LoadResourceString(IDS_RECORD_FILE_NOT_YET));
            return;
        } else {
            // A deleted file, or a recording that never got past its header: forget it.
            m_recordings.SetFile(id, std::wstring());
        }
    }
    if (m_openExplorer)
        m_openExplorer(parameters);
    else
        OpenExplorer(parameters);
}
