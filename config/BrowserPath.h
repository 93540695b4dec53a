// The default web browser, found through the current user's http association.
#pragma once

#include <string>

// The executable path of the browser the current user chose for http, or empty when the
// choice, its open command or the path in it cannot be read.
std::wstring GetDefaultBrowserPath();

// The executable path in an open-command text: the text between the quotes when the command
// starts with a quote; otherwise the text up to and including the first ".exe" (any case),
// else up to the first blank. Leading blanks are skipped.
std::wstring BrowserPathFromCommand(const std::wstring& command);
