// Checks of the address texts an operator types into the Set dialog.
#pragma once

#include <string>

// Four dot-separated decimal numbers from 0 to 255, each of one to three digits; blanks
// around the whole text are allowed.
bool IsIpv4AddressText(const std::wstring& text);

// An address text (as above) whose one-bits all come before its zero-bits, from 0.0.0.0 to
// 255.255.255.255.
bool IsNetmaskText(const std::wstring& text);
