// The current user's browser choice and open commands, written into the registry of the test
// prefix and removed again. Keys and values are the real ones the program reads.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class TestBrowserRegistry {
public:
    TestBrowserRegistry();
    // Removes the classes it wrote and puts back the ProgId and http command there were.
    ~TestBrowserRegistry();
    TestBrowserRegistry(const TestBrowserRegistry&) = delete;
    TestBrowserRegistry& operator=(const TestBrowserRegistry&) = delete;

    // The UserChoice "ProgId" value, as given (type and bytes), or removed.
    void SetUserChoice(const std::wstring& progId);
    void SetUserChoiceValue(DWORD type, const void* data, DWORD bytes);
    void RemoveUserChoice();
    // The default value of HKCU\Software\Classes\<progId>\shell\open\command.
    void SetOpenCommand(const std::wstring& progId, const std::wstring& command);
    void SetOpenCommandValue(const std::wstring& progId, DWORD type, const void* data, DWORD bytes);
    // The default value of HKLM\Software\Classes\<progId>\shell\open\command.
    void SetMachineOpenCommand(const std::wstring& progId, const std::wstring& command);
    // The shell's own open command for http addresses.
    void SetHttpAssociation(const std::wstring& command);

private:
    std::vector<std::wstring> m_classes;         // under HKCU
    std::vector<std::wstring> m_machineClasses;  // under HKLM
    bool m_hadProgId = false;
    std::vector<BYTE> m_oldProgId;
    DWORD m_oldProgIdType = REG_SZ;
    bool m_hadHttpCommand = false;
    std::wstring m_oldHttpCommand;
};
