// The Record button: starts the recording of the selected box into a new file beside the
// program, or stops it. Also the naming of recording files.
#include "app/OrvaneDlg.h"

#include "framework/TextCodec.h"

#include <io.h>

#include <ctime>

std::string WideToAnsi(const wchar_t* text)
{
    return WideToNarrow(text, CP_ACP);
}

std::wstring GetExecutableDirectory()
{
    wchar_t buffer[261] = {};
    ::GetModuleFileNameW(nullptr, buffer, 261);
    const std::wstring path(buffer);
    const std::size_t backslash = path.rfind(L'\\');
    return backslash == std::wstring::npos ? std::wstring() : path.substr(0, backslash);
}

std::wstring RecordingFileName(const std::wstring& directory, const std::wstring& host, const std::tm& localTime)
{
    char stamp[100] = {};
    std::strftime(stamp, sizeof stamp, "%Y%m%d_%H%M%S", &localTime);
    return directory + L"\\" + host + L"_" + NarrowToWide(stamp) + L".ts";
}

// Window thread. The file is named after the start time; a recording started within the same
// second as an earlier one of this run, or whose name an existing file has, takes the next
// free second instead, so that no two recordings ever write one file.
std::wstring COrvaneDlg::NewRecordingPath(const std::string& host)
{
    const std::wstring directory = GetExecutableDirectory();
    for (__time64_t start = ::_time64(nullptr);; ++start) {
        const std::tm* local = ::_localtime64(&start);
        const std::wstring path = RecordingFileName(directory, NarrowToWide(host), local ? *local : std::tm{});
        const bool taken = m_recordingPathsUsed.count(path) != 0 || ::_waccess(path.c_str(), 0) == 0;
        if (!taken || !local) {
            m_recordingPathsUsed.insert(path);
            return path;
        }
    }
}

// Window thread. Works on one reading of the selection: the watcher may change it meanwhile.
void COrvaneDlg::OnRecord()
{
    const int row = m_selectedRow;
    if (row < 0 || m_list.GetSelectedCount() == 0)
        return;
    const std::string host = WideToNarrow(m_list.GetItemText(row, COL_LAN_STATIC_IP));
    const DeviceId id = DeviceIdInRow(row);
    RowTag* tag = reinterpret_cast<RowTag*>(m_list.GetItemData(row));

    if (IsRecordingWanted(id)) {
        // Stop. Nothing waits for the recorder: it finds the flag cleared before its next
        // block and closes its file and socket. The box's file entry stays.
        SetRecordingWanted(id, false);
        ShowRowIdle(row);
        return;
    }

    if (!tag) {
        m_selectedRow = -1;
        SetRecordingWanted(id, false);
        return;
    }
    tag->state = ROW_RECORDING;
    InvalidateRect(nullptr, TRUE);
    const std::wstring path = NewRecordingPath(host);
    m_list.SetItemText(row, COL_RECORD, L"Open");
    const RecordingGeneration generation = BeginRecording(id, path);
    // Resolving and connecting happen on the recorder's own thread.
    m_recorderThreads.push_back(
        std::make_shared<std::thread>(&COrvaneDlg::RecordStream, this, host, STREAM_PORT, path, id, generation));
}
