#include "tests/unit/BrowserPathRegistry.h"

namespace {

const wchar_t USER_CHOICE[] =
    L"Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\http\\UserChoice";
// The shell reads protocol associations through HKEY_CLASSES_ROOT; under Wine that is the
// machine's classes key.
const wchar_t HTTP_COMMAND[] = L"Software\\Classes\\http\\shell\\open\\command";

std::wstring CommandKey(const std::wstring& progId)
{
    return L"Software\\Classes\\" + progId + L"\\shell\\open\\command";
}

bool ReadValue(HKEY root, const wchar_t* key, const wchar_t* name, DWORD* type, std::vector<BYTE>* data)
{
    DWORD bytes = 0;
    if (::RegGetValueW(root, key, name, RRF_RT_ANY | RRF_NOEXPAND, type, nullptr, &bytes) != ERROR_SUCCESS)
        return false;
    data->assign(bytes, 0);
    return ::RegGetValueW(root, key, name, RRF_RT_ANY | RRF_NOEXPAND, type, data->data(), &bytes) == ERROR_SUCCESS;
}

void WriteValue(HKEY root, const std::wstring& key, const wchar_t* name, DWORD type, const void* data, DWORD bytes)
{
    ::RegSetKeyValueW(root, key.c_str(), name, type, data, bytes);
}

DWORD TextBytes(const std::wstring& text)
{
    return (DWORD)((text.size() + 1) * sizeof(wchar_t));
}

} // namespace

TestBrowserRegistry::TestBrowserRegistry()
{
    m_hadProgId = ReadValue(HKEY_CURRENT_USER, USER_CHOICE, L"ProgId", &m_oldProgIdType, &m_oldProgId);
    DWORD type = 0;
    std::vector<BYTE> old;
    m_hadHttpCommand = ReadValue(HKEY_LOCAL_MACHINE, HTTP_COMMAND, nullptr, &type, &old);
    if (m_hadHttpCommand)
        m_oldHttpCommand.assign(reinterpret_cast<const wchar_t*>(old.data()), old.size() / sizeof(wchar_t));
    while (!m_oldHttpCommand.empty() && m_oldHttpCommand.back() == L'\0')
        m_oldHttpCommand.pop_back();
}

TestBrowserRegistry::~TestBrowserRegistry()
{
    for (const std::wstring& progId : m_classes)
        ::RegDeleteTreeW(HKEY_CURRENT_USER, (L"Software\\Classes\\" + progId).c_str());
    for (const std::wstring& progId : m_machineClasses)
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, (L"Software\\Classes\\" + progId).c_str());
    if (m_hadProgId)
        WriteValue(HKEY_CURRENT_USER, USER_CHOICE, L"ProgId", m_oldProgIdType, m_oldProgId.data(),
                   (DWORD)m_oldProgId.size());
    else
        RemoveUserChoice();
    if (m_hadHttpCommand)
        WriteValue(HKEY_LOCAL_MACHINE, HTTP_COMMAND, nullptr, REG_SZ, m_oldHttpCommand.c_str(),
                   TextBytes(m_oldHttpCommand));
}

void TestBrowserRegistry::SetUserChoice(const std::wstring& progId)
{
    SetUserChoiceValue(REG_SZ, progId.c_str(), TextBytes(progId));
}

void TestBrowserRegistry::SetUserChoiceValue(DWORD type, const void* data, DWORD bytes)
{
    WriteValue(HKEY_CURRENT_USER, USER_CHOICE, L"ProgId", type, data, bytes);
}

void TestBrowserRegistry::RemoveUserChoice()
{
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, USER_CHOICE, L"ProgId");
}

void TestBrowserRegistry::SetOpenCommand(const std::wstring& progId, const std::wstring& command)
{
    SetOpenCommandValue(progId, REG_SZ, command.c_str(), TextBytes(command));
}

void TestBrowserRegistry::SetOpenCommandValue(const std::wstring& progId, DWORD type, const void* data, DWORD bytes)
{
    m_classes.push_back(progId);
    WriteValue(HKEY_CURRENT_USER, CommandKey(progId), nullptr, type, data, bytes);
}

void TestBrowserRegistry::SetMachineOpenCommand(const std::wstring& progId, const std::wstring& command)
{
    m_machineClasses.push_back(progId);
    WriteValue(HKEY_LOCAL_MACHINE, CommandKey(progId), nullptr, REG_SZ, command.c_str(), TextBytes(command));
}

void TestBrowserRegistry::SetHttpAssociation(const std::wstring& command)
{
    WriteValue(HKEY_LOCAL_MACHINE, HTTP_COMMAND, nullptr, REG_SZ, command.c_str(), TextBytes(command));
}
