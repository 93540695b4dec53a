#include "discovery/BoardType.h"

namespace {

struct BoardLabel {
    std::uint32_t code;
    const wchar_t* label;
};

// Processor (or chip family), a blank, and the board's interfaces. Codes that share a
// processor share its name.
const BoardLabel kBoardLabels[] = {
    {1, L"Orvane Standard Board"},
    {100, L"OV3516 HDMI"},
    {200, L"OV3518 1-Input"},
    {201, L"OV3518 HDMI/UVC"},
    {300, L"OV3531 4-Input"},
    {500, L"OV3520 HDMI"},
    {600, L"OV3515 VGA"},
    {700, L"OV3519 HDMI"},
    {800, L"OV3559 HDMI"},
    {801, L"OV3559 SDI"},
    {900, L"OV3521 HDMI"},
    {1000, L"OV3536 Decoder"},
    {1100, L"OV3798 Decoder"},
    {1200, L"OV3562 HDMI"},
    {1201, L"OV3562 4-HDMI"},
    {1202, L"OV3562 8-HDMI"},
    {1301, L"OV3531D 4-Input"},
    {1302, L"OV3531D 8-Input"},
    {2000, L"OV3403 HDMI"},
    {3000, L"OV3796 Decoder"},
    {3001, L"OV3796 Player"},
    {5000, L"OV3559A HDMI/SDI"},
};

} // namespace

std::wstring BoardTypeLabel(std::uint32_t boardType)
{
    for (const BoardLabel& entry : kBoardLabels)
        if (entry.code == boardType)
            return entry.label;
    return L"Unknow";
}
