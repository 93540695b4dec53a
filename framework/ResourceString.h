// Operator texts from the program's STRINGTABLE (app/Orvane.rc), loaded by id.
#pragma once

#include <windows.h>

#include <string>

// Any thread: LoadStringW is thread-safe. The text of the string resource id in the program's
// module; empty when the module has no such string, which a test of the string table rules out.
std::wstring LoadResourceString(UINT id);
