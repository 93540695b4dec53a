// The health of every box's newest recording, by box: the Record command puts a new one in
// when it begins a recording, the recorder reports to it, and the window thread reads it for
// the row's info tip and the recording details. Any thread; one lock, held for one map
// operation at a time.
#pragma once

#include "discovery/DeviceDatagram.h"
#include "recording/RecordingHealth.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>

class RecordingHealthBoard {
public:
    // A fresh health for the box's new recording into path, starting now; it replaces the
    // health of the box's earlier recording.
    std::shared_ptr<RecordingHealth> Begin(DeviceId id, const std::wstring& path);
    // The health of the box's newest recording; null when it never had one.
    std::shared_ptr<RecordingHealth> Find(DeviceId id) const;

private:
    mutable std::mutex m_lock;
    std::map<DeviceId, std::shared_ptr<RecordingHealth>> m_health;
};
