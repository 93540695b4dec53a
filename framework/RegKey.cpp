#include "framework/RegKey.h"

CRegKey& CRegKey::operator=(CRegKey&& other) noexcept
{
    if (this != &other) {
        Close();
        m_hKey = other.m_hKey;
        other.m_hKey = nullptr;
    }
    return *this;
}

LONG CRegKey::Open(HKEY parent, const wchar_t* name, REGSAM access)
{
    HKEY opened = nullptr;
    LONG result = ::RegOpenKeyExW(parent, name, 0, access, &opened);
    if (result != ERROR_SUCCESS)
        return result;
    Close();
    m_hKey = opened;
    return ERROR_SUCCESS;
}

LONG CRegKey::QueryStringValue(const wchar_t* name, wchar_t* value, ULONG* chars) const
{
    if (!value || !chars || *chars == 0)
        return ERROR_INVALID_PARAMETER;
    const ULONG capacity = *chars;
    value[0] = L'\0';
    DWORD type = REG_NONE;
    DWORD bytes = capacity * sizeof(wchar_t);
    LONG result = ::RegQueryValueExW(m_hKey, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &bytes);
    if (result != ERROR_SUCCESS) {
        value[0] = L'\0';
        return result;
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ) {
        value[0] = L'\0';
        return ERROR_INVALID_DATA;
    }
    // The stored bytes need not end with a null, nor be a whole number of characters.
    ULONG length = bytes / sizeof(wchar_t);
    if (length > 0 && value[length - 1] == L'\0')
        --length;
    if (length >= capacity) {
        value[0] = L'\0';
        return ERROR_MORE_DATA;
    }
    value[length] = L'\0';
    *chars = length + 1;
    return ERROR_SUCCESS;
}

LONG CRegKey::Close()
{
    if (!m_hKey)
        return ERROR_SUCCESS;
    LONG result = ::RegCloseKey(m_hKey);
    m_hKey = nullptr;
    return result;
}
