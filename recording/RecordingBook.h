// The recording state that the window thread, the selection watcher and the recorders share:
// per box, whether its recording is wanted, the generation of its newest recording and the
// path of its newest file, and every file name given out in this run. One lock guards it all,
// for one short operation at a time and never while a message is sent to a window. Reads
// never create entries: a box nobody recorded has none, and Clear's forgetting lasts.
#pragma once

#include "discovery/DeviceDatagram.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>

// Identifies one recording of a box: every recording begun gets the next number, so an
// older recorder can tell that a newer recording of its box has begun.
using RecordingGeneration = std::uint64_t;

// How the end of a recording met the book (RecordingBook::End).
enum class RecordingEndSeen {
    SUPERSEDED = 0,   // a newer recording of the box has begun: nothing was changed
    ALREADY_STOPPED,  // the operator had stopped it (or Clear forgot it): the book is updated
    WANTED            // it was still wanted: the flag is cleared, and the operator is to be told
};

class RecordingBook {
public:
    RecordingBook() = default;
    RecordingBook(const RecordingBook&) = delete;
    RecordingBook& operator=(const RecordingBook&) = delete;

    // Any thread. False for a box without an entry.
    bool IsWanted(DeviceId id) const;
    // Any thread. True while the box's recording is wanted and generation is its newest.
    bool IsCurrent(DeviceId id, RecordingGeneration generation) const;
    // Any thread. Whether the box has a flag entry at all.
    bool HasFlag(DeviceId id) const;
    // Any thread. Whether the box has a file entry (which may be empty).
    bool HasFile(DeviceId id) const;
    // Any thread. The path of the box's newest recording; empty when it has none.
    std::wstring File(DeviceId id) const;
    // Any thread. Whether a recording of this run was given this path.
    bool IsPathUsed(const std::wstring& path) const;

    // Begins the box's newest recording: flag true, file entry = path, the next generation.
    RecordingGeneration Begin(DeviceId id, const std::wstring& path);
    void SetWanted(DeviceId id, bool wanted);
    void SetFile(DeviceId id, const std::wstring& path);
    // True while the box's recording is wanted; otherwise its flag entry is removed (its row
    // is going).
    bool WantedOrForget(DeviceId id);
    // A recorder's end: unless a newer recording of the box has begun, the flag is cleared
    // (an entry Clear removed stays removed) and, unless keepFile, the file entry emptied.
    RecordingEndSeen End(DeviceId id, RecordingGeneration generation, bool keepFile);

private:
    mutable std::mutex m_lock;
    std::map<DeviceId, bool> m_wanted;
    std::map<DeviceId, std::wstring> m_files;
    // Kept when Clear forgets a flag, so that an old recorder never takes a later recording
    // of its box for its own.
    std::map<DeviceId, RecordingGeneration> m_generations;
    std::set<std::wstring> m_pathsUsed;
};
