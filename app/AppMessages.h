// The program's private window messages. In a dialog WM_USER + 0/1 are DM_GETDEFID and
// DM_SETDEFID, so ours start at WM_APP.
#pragma once

#include <windows.h>

// Sent to the main dialog with one AnnouncementJob in lParam: the window thread applies it at
// once and answers with the row written or -1. This puts a row in without the queue (tests);
// the receivers queue their jobs (WM_APP_ANNOUNCEMENTS_QUEUED).
constexpr UINT WM_APP_ANNOUNCEMENT = WM_APP + 1;

// Sent to the main dialog by a recorder thread; lParam points to a RecorderEvent
// (recording/Recording.h). The result tells the recorder whether the event was applied.
constexpr UINT WM_APP_RECORDER_EVENT = WM_APP + 2;

// Posted to the main dialog when announcements wait in its queue (COrvaneDlg::QueueAnnouncement),
// and by the window thread itself while a long queue is worked off in slices.
constexpr UINT WM_APP_ANNOUNCEMENTS_QUEUED = WM_APP + 3;

// Sent to the main dialog by the selection watcher; lParam points to a HighestSelection
// (app/SelectedBoxes.h) that the window thread fills: the selected row with the highest index
// and its box.
constexpr UINT WM_APP_READ_SELECTION = WM_APP + 4;
