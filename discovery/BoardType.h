#pragma once

#include <cstdint>
#include <string>

// The Description text of a board-type code; "Unknow" for codes the table does not know.
std::wstring BoardTypeLabel(std::uint32_t boardType);
