#pragma once
// The band across the top of the main window: icon, title and subtitle.

#include <cstdint>

#include "platform/windows_api.h"

namespace orvane {

struct HeaderBandLook {
    std::uint32_t dpi = 96;
    bool highContrast = false;
    HICON icon = nullptr;
    HFONT titleFont = nullptr;
    HFONT bodyFont = nullptr;
};

void paintHeaderBand(HDC dc, int clientWidth, const HeaderBandLook& look);

}  // namespace orvane
