// Finding the default browser: the path in an open command, and the registry reads behind it.
#include "config/BrowserPath.h"
#include "framework/TextCodec.h"
#include "tests/unit/BrowserPathRegistry.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct CommandCase {
    const wchar_t* command;
    const wchar_t* path;
};

TEST(BrowserPath, IsCutFromTheOpenCommandText)
{
    const CommandCase cases[] = {
        {L"\"C:\\Program Files\\Mozilla Firefox\\firefox.exe\" -osint -url \"%1\"",
         L"C:\\Program Files\\Mozilla Firefox\\firefox.exe"},
        {L"\"C:\\Browsers\\v1.2\\run.exe\" \"%1\"", L"C:\\Browsers\\v1.2\\run.exe"},  // a dot in a folder
        {L"\"C:\\Tools\\browse.cmd\" %1", L"C:\\Tools\\browse.cmd"},              // quoted, not an .exe
        {L"\"C:\\Unclosed\\b.exe %1", L"C:\\Unclosed\\b.exe %1"},                 // no closing quote
        {L"  \"C:\\b.exe\" %1", L"C:\\b.exe"},                                    // leading blanks
        {L"C:\\Program Files\\Internet Explorer\\iexplore.exe %1", L"C:\\Program Files\\Internet Explorer\\iexplore.exe"},
        {L"C:\\Apps\\Browser.EXE -- \"%1\"", L"C:\\Apps\\Browser.EXE"},            // any case
        {L"rundll32.exe url.dll,FileProtocolHandler %1", L"rundll32.exe"},
        {L"C:\\apps\\browser.bin %1", L"C:\\apps\\browser.bin"},                   // no .exe: up to the blank
        {L"browser", L"browser"},
        {L"", L""},
    };
    for (const CommandCase& c : cases)
        EXPECT_EQ(BrowserPathFromCommand(c.command), std::wstring(c.path)) << WideToNarrow(c.command);
}

class BrowserRegistry : public ::testing::Test {
protected:
    TestBrowserRegistry m_registry;
};

TEST_F(BrowserRegistry, GivesThePathOfTheUsersChoice)
{
    m_registry.SetUserChoice(L"OrvaneTestBrowser");
    m_registry.SetOpenCommand(L"OrvaneTestBrowser", L"\"C:\\Browsers\\Test\\test.exe\" --url \"%1\"");
    EXPECT_EQ(GetDefaultBrowserPath(), L"C:\\Browsers\\Test\\test.exe");
}

// The open command is looked up for the machine first, then for the user.
TEST_F(BrowserRegistry, TakesTheMachinesOpenCommandBeforeTheUsers)
{
    m_registry.SetUserChoice(L"OrvaneBothBrowser");
    m_registry.SetOpenCommand(L"OrvaneBothBrowser", L"\"C:\\User\\user.exe\" \"%1\"");
    m_registry.SetMachineOpenCommand(L"OrvaneBothBrowser", L"\"C:\\Machine\\machine.exe\" \"%1\"");
    EXPECT_EQ(GetDefaultBrowserPath(), L"C:\\Machine\\machine.exe") << "both name one";

    m_registry.SetUserChoice(L"OrvaneMachineBrowser");
    m_registry.SetMachineOpenCommand(L"OrvaneMachineBrowser", L"\"C:\\Machine\\only.exe\" \"%1\"");
    EXPECT_EQ(GetDefaultBrowserPath(), L"C:\\Machine\\only.exe") << "only the machine names one";
}

TEST_F(BrowserRegistry, IsEmptyWithoutAChoiceOrACommand)
{
    m_registry.RemoveUserChoice();
    EXPECT_EQ(GetDefaultBrowserPath(), L"") << "no UserChoice ProgId";

    m_registry.SetUserChoice(L"OrvaneMissingBrowser");
    EXPECT_EQ(GetDefaultBrowserPath(), L"") << "a ProgId without an open command";

    const DWORD number = 7;
    m_registry.SetUserChoiceValue(REG_DWORD, &number, sizeof number);
    EXPECT_EQ(GetDefaultBrowserPath(), L"") << "a ProgId that is not text";
}

struct ValueCase {
    const char* name;
    DWORD type;
    std::wstring text;
    bool withNull;  // the stored bytes include the terminating null
    std::wstring path;
};

// String values are checked for their type and must fit 512 characters with their null.
TEST_F(BrowserRegistry, ReadsOnlyTextThatFitsWithItsNull)
{
    const std::wstring fits = L"\"C:\\" + std::wstring(502, L'a') + L".exe\"";
    const std::wstring tooLong = fits + L"x";
    ASSERT_EQ(fits.size(), 511u);
    const ValueCase cases[] = {
        {"REG_SZ", REG_SZ, L"\"C:\\B\\b.exe\" %1", true, L"C:\\B\\b.exe"},
        {"stored without its null", REG_SZ, L"\"C:\\B\\b.exe\" %1", false, L"C:\\B\\b.exe"},
        {"REG_EXPAND_SZ, taken as stored", REG_EXPAND_SZ, L"\"%ProgramFiles%\\B\\b.exe\" %1", true,
         L"%ProgramFiles%\\B\\b.exe"},
        {"511 characters", REG_SZ, fits, true, fits.substr(1, fits.size() - 2)},
        {"512 characters", REG_SZ, tooLong, true, L""},
        {"512 characters stored without null", REG_SZ, tooLong, false, L""},
        {"binary", REG_BINARY, L"\"C:\\B\\b.exe\" %1", true, L""},
        {"multi-string", REG_MULTI_SZ, L"\"C:\\B\\b.exe\" %1", true, L""},
    };
    for (const ValueCase& c : cases) {
        m_registry.SetUserChoice(L"OrvaneValueBrowser");
        const DWORD bytes = (DWORD)((c.text.size() + (c.withNull ? 1 : 0)) * sizeof(wchar_t));
        m_registry.SetOpenCommandValue(L"OrvaneValueBrowser", c.type, c.text.c_str(), bytes);
        EXPECT_EQ(GetDefaultBrowserPath(), c.path) << c.name;
    }
}

} // namespace
