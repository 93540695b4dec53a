// The program's private window messages. In a dialog WM_USER + 0/1 are DM_GETDEFID and
// DM_SETDEFID, so ours start at WM_APP.
#pragma once

#include <windows.h>

// Sent to the main dialog by a scanner's receiver; lParam points to an AnnouncementJob.
// The window thread applies the whole job; the result is the row written or -1.
constexpr UINT WM_APP_ANNOUNCEMENT = WM_APP + 1;

// Sent to the main dialog by a recorder thread; lParam points to a RecorderEvent
// (recording/Recording.h). The result tells the recorder whether the event was applied.
constexpr UINT WM_APP_RECORDER_EVENT = WM_APP + 2;
