#include "app/OrvaneDlg.h"

bool COrvaneDlg::IsRecordingWanted(DeviceId id)
{
    std::lock_guard<std::mutex> lock(m_recordingLock);
    return m_recordingFlags[id];
}

void COrvaneDlg::SetRecordingWanted(DeviceId id, bool wanted)
{
    std::lock_guard<std::mutex> lock(m_recordingLock);
    m_recordingFlags[id] = wanted;
}

std::wstring COrvaneDlg::RecordingFile(DeviceId id)
{
    std::lock_guard<std::mutex> lock(m_recordingLock);
    return m_recordingFiles[id];
}

bool COrvaneDlg::HasRecordingFile(DeviceId id)
{
    std::lock_guard<std::mutex> lock(m_recordingLock);
    return m_recordingFiles.count(id) != 0;
}

void COrvaneDlg::SetRecordingFile(DeviceId id, const std::wstring& path)
{
    std::lock_guard<std::mutex> lock(m_recordingLock);
    m_recordingFiles[id] = path;
}

bool COrvaneDlg::RecordingWantedOrForget(DeviceId id)
{
    std::lock_guard<std::mutex> lock(m_recordingLock);
    auto flag = m_recordingFlags.find(id);
    if (flag == m_recordingFlags.end())
        return false;
    if (flag->second)
        return true;
    m_recordingFlags.erase(flag);
    return false;
}

bool COrvaneDlg::HasRecordingFlag(DeviceId id)
{
    std::lock_guard<std::mutex> lock(m_recordingLock);
    return m_recordingFlags.count(id) != 0;
}

RecordingGeneration COrvaneDlg::BeginRecording(DeviceId id, const std::wstring& path)
{
    std::lock_guard<std::mutex> lock(m_recordingLock);
    m_recordingFlags[id] = true;
    m_recordingFiles[id] = path;
    return ++m_recordingGenerations[id];
}

bool COrvaneDlg::IsRecordingCurrent(DeviceId id, RecordingGeneration generation)
{
    std::lock_guard<std::mutex> lock(m_recordingLock);
    return m_recordingFlags[id] && m_recordingGenerations[id] == generation;
}
