// Resource ids the framework reads from the program's resources (also included by .rc files,
// so only #defines here).
#pragma once

// String: the application's name, the caption of message boxes that give none.
#define AFX_IDS_APP_TITLE 0xE000
