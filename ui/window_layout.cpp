#include "ui/window_layout.h"

#include <algorithm>
#include <cstdint>

namespace orvane {

namespace {

constexpr std::array<int, kComparisonColumnCount> kColumnWidths96{55,  260, 100, 100, 130, 130,
                                                                  110, 130, 130, 130, 100, 190};

}  // namespace

int scaleForDpi(int length96, std::uint32_t dpi) {
    const std::int64_t product = static_cast<std::int64_t>(length96) * dpi;
    const std::int64_t half = 48;
    return static_cast<int>(product >= 0 ? (product + half) / 96 : (product - half) / 96);
}

int extraWidth(int clientWidth, std::uint32_t dpi) {
    return std::max(0, clientWidth - scaleForDpi(kClientSize96.width, dpi));
}

PixelRect placeControl(const PixelRect& rect96, LayoutRole role, std::uint32_t dpi,
                       PixelSize client) {
    const int extra = extraWidth(client.width, dpi);
    PixelRect placed{scaleForDpi(rect96.x, dpi), scaleForDpi(rect96.y, dpi),
                     scaleForDpi(rect96.width, dpi), scaleForDpi(rect96.height, dpi)};
    switch (role) {
        case LayoutRole::Fixed:
            break;
        case LayoutRole::Widen:
            placed.width += extra;
            break;
        case LayoutRole::FollowRightEdge:
            placed.x += extra;
            break;
        case LayoutRole::FillRemaining:
            placed.width += extra;
            placed.height = std::max(placed.height,
                                     client.height - scaleForDpi(kBottomMargin96, dpi) - placed.y);
            break;
    }
    return placed;
}

std::array<int, kComparisonColumnCount> comparisonColumnWidths(std::uint32_t dpi, int extra) {
    std::array<int, kComparisonColumnCount> widths{};
    for (std::size_t i = 0; i < widths.size(); ++i)
        widths[i] = scaleForDpi(kColumnWidths96[i], dpi);
    widths[kDriveColumn] += std::max(0, extra);
    return widths;
}

}  // namespace orvane
