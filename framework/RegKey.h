// An open registry key: owns one HKEY, move-only, closed by Close or the destructor.
#pragma once

#include <windows.h>

class CRegKey {
public:
    CRegKey() = default;
    ~CRegKey() { Close(); }
    CRegKey(const CRegKey&) = delete;
    CRegKey& operator=(const CRegKey&) = delete;
    CRegKey(CRegKey&& other) noexcept : m_hKey(other.m_hKey) { other.m_hKey = nullptr; }
    CRegKey& operator=(CRegKey&& other) noexcept;

    // Opens parent\name, closing the key held before; ERROR_SUCCESS or the error code.
    LONG Open(HKEY parent, const wchar_t* name, REGSAM access = KEY_READ);
    // Reads a REG_SZ or REG_EXPAND_SZ value as stored (no expansion). *chars is the buffer's
    // capacity in characters, terminating null included; on success the value is null-terminated
    // and *chars is its length plus one. A value of another type gives ERROR_INVALID_DATA, one
    // that does not fit with its null gives ERROR_MORE_DATA; on failure value is left empty.
    LONG QueryStringValue(const wchar_t* name, wchar_t* value, ULONG* chars) const;
    LONG Close();

    HKEY m_hKey = nullptr;
};
