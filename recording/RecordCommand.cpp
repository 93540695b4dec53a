// The Record button: starts the recording of the selected box into a new file beside the
// program, or stops it. Also the naming of recording files.
#include "app/OrvaneDlg.h"

#include "app/SelectionSearch.h"
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

std::string RecordingFileName(const std::string& directory, const std::string& host, const std::tm& localTime)
{
    char stamp[100] = {};
    std::strftime(stamp, sizeof stamp, "%Y%m%d_%H%M%S", &localTime);
    return directory + "\\" + host + "_" + stamp + ".ts";
}

// Window thread. The file is named after the start time; a recording started within the same
// second as an earlier one of this run, or whose name an existing file has, takes the next
// free second instead, so that no two recordings ever write one file.
std::string COrvaneDlg::NewRecordingPath(const std::string& host)
{
    const std::string directory = WideToAnsi(GetExecutableDirectory().c_str());
    for (__time64_t start = ::_time64(nullptr);; ++start) {
        const std::tm* local = ::_localtime64(&start);
        const std::string path = RecordingFileName(directory, host, local ? *local : std::tm{});
        const bool taken = m_recordingPathsUsed.count(path) != 0 || ::_access(path.c_str(), 0) == 0;
        if (!taken || !local) {
            m_recordingPathsUsed.insert(path);
            return path;
        }
    }
}

// Window thread. Acts on the row the operator sees selected at the click, found by the
// watcher's own rule: m_selectedRow may still name the row where the box stood before a new
// box was inserted above it or Clear removed rows above it.
void COrvaneDlg::OnRecord()
{
    const int row = HighestSelectedRow(m_list);
    if (row < 0)
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
    const std::string path = NewRecordingPath(host);
    m_list.SetItemText(row, COL_RECORD, L"Open");
    const RecordingGeneration generation = BeginRecording(id, NarrowToWide(path));
    // Resolving and connecting happen on the recorder's own thread.
    m_recorderThreads.push_back(
        std::make_shared<std::thread>(&COrvaneDlg::RecordStream, this, host, STREAM_PORT, path, id, generation));
}
