// The Set dialog's template as the program carries it: read from the resource, field by field;
// and the dialog made from it, at whatever DPI the test runs.
#include "app/resource.h"
#include "config/BasicDlg.h"
#include "tests/unit/CaptionExtent.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <cwchar>
#include <ostream>
#include <string>
#include <vector>

namespace {

// A reader of an extended dialog template (DLGTEMPLATEEX and its DLGITEMTEMPLATEEX items).
class TemplateReader {
public:
    TemplateReader(const BYTE* bytes, DWORD size) : m_bytes(bytes), m_size(size) {}

    WORD Word() { return Take<WORD>(); }
    DWORD Dword() { return Take<DWORD>(); }
    short Short() { return Take<short>(); }
    BYTE Byte() { return Take<BYTE>(); }
    // A string, or "#n" for an ordinal, or "" for none.
    std::wstring SzOrOrd()
    {
        WORD first = Word();
        if (first == 0)
            return L"";
        if (first == 0xFFFF)
            return L"#" + std::to_wstring(Word());
        std::wstring text(1, (wchar_t)first);
        while (WORD c = Word())
            text += (wchar_t)c;
        return text;
    }
    void AlignDword() { m_at = (m_at + 3) & ~(size_t)3; }
    void Skip(size_t bytes) { m_at += bytes; }
    bool Overran() const { return m_at > m_size; }

private:
    template <class T>
    T Take()
    {
        T value = 0;
        if (m_at + sizeof(T) <= m_size)
            std::memcpy(&value, m_bytes + m_at, sizeof(T));
        m_at += sizeof(T);
        return value;
    }
    const BYTE* m_bytes;
    DWORD m_size;
    size_t m_at = 0;
};

struct Control {
    DWORD id;
    std::wstring windowClass;  // "#128" button, "#129" edit, "#130" static
    std::wstring text;
    short x, y, cx, cy;
    DWORD style;
};

bool operator==(const Control& a, const Control& b)
{
    return a.id == b.id && a.windowClass == b.windowClass && a.text == b.text && a.x == b.x && a.y == b.y &&
           a.cx == b.cx && a.cy == b.cy && a.style == b.style;
}

std::ostream& operator<<(std::ostream& out, const Control& c)
{
    return out << "{id " << c.id << ", class " << std::string(c.windowClass.begin(), c.windowClass.end()) << ", \""
               << std::string(c.text.begin(), c.text.end()) << "\", " << c.x << "," << c.y << " " << c.cx << "x"
               << c.cy << ", style 0x" << std::hex << c.style << std::dec << "}";
}

TEST(SetDialogTemplate, HasItsFieldsInTemplateAndTabOrder)
{
    HRSRC found = ::FindResourceExW(nullptr, RT_DIALOG, MAKEINTRESOURCEW(IDD_SET),
                                    MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED));
    ASSERT_NE(found, nullptr) << "no IDD_SET in Chinese (PRC)";
    const BYTE* bytes = static_cast<const BYTE*>(::LockResource(::LoadResource(nullptr, found)));
    TemplateReader reader(bytes, ::SizeofResource(nullptr, found));

    EXPECT_EQ(reader.Word(), 1) << "dlgVer of an extended template";
    EXPECT_EQ(reader.Word(), 0xFFFF);
    reader.Dword();  // help id
    EXPECT_EQ(reader.Dword(), 0u) << "no extended styles";
    const DWORD style = reader.Dword();
    EXPECT_EQ(style, (DWORD)(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT));
    const WORD count = reader.Word();
    EXPECT_EQ(reader.Short(), 0);
    EXPECT_EQ(reader.Short(), 0);
    EXPECT_EQ(reader.Short(), 217);
    EXPECT_EQ(reader.Short(), 103);
    EXPECT_EQ(reader.SzOrOrd(), L"") << "no menu";
    EXPECT_EQ(reader.SzOrOrd(), L"") << "no window class of its own";
    EXPECT_EQ(reader.SzOrOrd(), L"Set");
    EXPECT_EQ(reader.Word(), 8) << "points";
    EXPECT_EQ(reader.Word(), 400) << "weight";
    EXPECT_EQ(reader.Byte(), 0) << "italic";
    EXPECT_EQ(reader.Byte(), 1) << "character set";
    EXPECT_EQ(reader.SzOrOrd(), L"MS Shell Dlg");

    std::vector<Control> controls;
    for (WORD i = 0; i < count; ++i) {
        reader.AlignDword();
        Control c;
        reader.Dword();  // help id
        reader.Dword();  // extended style
        c.style = reader.Dword();
        c.x = reader.Short();
        c.y = reader.Short();
        c.cx = reader.Short();
        c.cy = reader.Short();
        c.id = reader.Dword();
        c.windowClass = reader.SzOrOrd();
        c.text = reader.SzOrOrd();
        reader.Skip(reader.Word());
        controls.push_back(c);
    }
    ASSERT_FALSE(reader.Overran());

    const DWORD label = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_RIGHT;
    const DWORD edit = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
    const DWORD button = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
    const std::vector<Control> expected = {
        {IDC_SET_IP_LABEL, L"#130", L"Lan IP:", 10, 25, 62, 11, label},
        {IDC_SET_IP, L"#129", L"", 78, 24, 102, 12, edit},
        {IDC_SET_NETMASK_LABEL, L"#130", L"Lan netmask:", 10, 41, 62, 11, label},
        {IDC_SET_NETMASK, L"#129", L"", 78, 40, 102, 12, edit},
        {IDC_SET_GATEWAY_LABEL, L"#130", L"Lan gateway:", 10, 57, 62, 11, label},
        {IDC_SET_GATEWAY, L"#129", L"", 78, 56, 102, 12, edit},
        {IDOK, L"#128", L"OK", 76, 79, 50, 14, button | BS_DEFPUSHBUTTON},
        {IDCANCEL, L"#128", L"Cancel", 130, 79, 50, 14, button | BS_PUSHBUTTON},
        {IDC_SET_ID_LABEL, L"#130", L"ID:", 10, 9, 62, 11, label},
        {IDC_SET_ID, L"#129", L"", 78, 9, 102, 12, edit | ES_READONLY},
    };
    ASSERT_EQ(controls.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(controls[i], expected[i]) << "control " << i << " in template order";
}

// The real Set dialog, filled with the longest texts its fields take: every control lies inside
// the client area, no two overlap, and every text fits its control in the control's own font.
// tests/e2e/dpi.sh runs this at 144 and 192 DPI too.
TEST(SetDialogLayout, ControlsLieInsideTheClientAreaApartAndTheirTextsFit)
{
    CBasicDlg dialog;
    dialog.m_id = L"-2147483648";
    dialog.m_lanIp = L"255.255.255.255";
    dialog.m_lanNetmask = L"255.255.255.255";
    dialog.m_lanGateway = L"255.255.255.255";
    ASSERT_TRUE(dialog.Create(nullptr));
    const HWND hwnd = dialog.GetSafeHwnd();
    RECT client;
    ::GetClientRect(hwnd, &client);
    const int ids[] = {IDC_SET_IP_LABEL, IDC_SET_IP,      IDC_SET_NETMASK_LABEL, IDC_SET_NETMASK, IDC_SET_GATEWAY_LABEL,
                       IDC_SET_GATEWAY,  IDOK,            IDCANCEL,              IDC_SET_ID_LABEL, IDC_SET_ID};
    std::vector<RECT> rects;
    for (int id : ids) {
        SCOPED_TRACE("control " + std::to_string(id));
        HWND control = ::GetDlgItem(hwnd, id);
        ASSERT_NE(control, nullptr);
        RECT rect;
        ::GetWindowRect(control, &rect);
        ::MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&rect), 2);
        EXPECT_GE(rect.left, client.left);
        EXPECT_GE(rect.top, client.top);
        EXPECT_LE(rect.right, client.right);
        EXPECT_LE(rect.bottom, client.bottom);
        for (size_t other = 0; other < rects.size(); ++other) {
            RECT both;
            EXPECT_FALSE(::IntersectRect(&both, &rect, &rects[other])) << "overlaps control " << ids[other];
        }
        rects.push_back(rect);

        const CaptionExtent caption = MeasureCaption(control);
        RECT inner;
        ::GetClientRect(control, &inner);
        EXPECT_LE(caption.size.cx, inner.right)
            << "text '" << std::string(caption.text.begin(), caption.text.end()) << "' is cut off";
        EXPECT_LE(caption.size.cy, inner.bottom + 1) << "text height";
    }
}

} // namespace
