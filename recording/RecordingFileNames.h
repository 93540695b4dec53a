// Where recordings go and what they are called: the program's folder and
// "<folder>\<Lan Static IP>_%Y%m%d_%H%M%S.ts". Paths are wide text, so that a folder named
// outside the ANSI code page keeps its name.
#pragma once

#include <ctime>
#include <functional>
#include <string>

// Wide text in the system ANSI code page (CP_ACP); missing characters become its default one.
std::string WideToAnsi(const wchar_t* text);

// The folder of the running executable without a trailing backslash; empty without one.
std::wstring GetExecutableDirectory();

// "<directory>\<host>_%Y%m%d_%H%M%S.ts" for the given local time.
std::wstring RecordingFileName(const std::wstring& directory, const std::wstring& host, const std::tm& localTime);

// The name of a recording started at `start`, or, when isTaken says that name is in use, the
// name of the next second that is free, so that no two recordings ever write one file.
std::wstring FreeRecordingFileName(const std::wstring& directory, const std::wstring& host, __time64_t start,
                                   const std::function<bool(const std::wstring&)>& isTaken);
