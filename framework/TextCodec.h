// Conversions between narrow text in a code page and wide (UTF-16) text.
#pragma once

#include <windows.h>

#include <string>

// Narrow to wide; the thread's ANSI code page unless another is given.
std::wstring NarrowToWide(const std::string& text, UINT codePage = CP_THREAD_ACP);
// Wide to narrow; characters the code page lacks become its default character.
std::string WideToNarrow(const std::wstring& text, UINT codePage = CP_THREAD_ACP);
