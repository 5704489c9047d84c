#pragma once
// The main window's geometry: lengths written at 96 DPI, scaled to the window's DPI, and the
// share of extra client width each control takes.

#include <array>
#include <cstdint>

namespace orvane {

struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const PixelRect& a, const PixelRect& b) {
        return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
    }
};

struct PixelSize {
    int width = 0;
    int height = 0;
};

// How a control follows the client width and height.
enum class LayoutRole {
    Fixed,            // stays where it is
    Widen,            // takes all extra width
    FollowRightEdge,  // moves right by the extra width
    FillRemaining,    // takes all extra width and the height left below it
};

inline constexpr PixelSize kClientSize96{960, 768};
inline constexpr PixelSize kMinimumWindowSize96{980, 752};
inline constexpr PixelSize kInitialWindowSize96{980, 810};
inline constexpr int kBottomMargin96 = 24;
inline constexpr int kHeaderBandHeight96 = 92;
inline constexpr std::size_t kComparisonColumnCount = 12;
inline constexpr std::size_t kDriveColumn = 1;

// MulDiv(length, dpi, 96): rounded to the nearest pixel, halves away from zero.
int scaleForDpi(int length96, std::uint32_t dpi);

// Client width beyond the designed width at this DPI, never negative.
int extraWidth(int clientWidth, std::uint32_t dpi);

// Where a control recorded at 96 DPI goes in a client area of the given size.
PixelRect placeControl(const PixelRect& rect96, LayoutRole role, std::uint32_t dpi,
                       PixelSize client);

// Comparison list column widths; the drive column takes the extra width.
std::array<int, kComparisonColumnCount> comparisonColumnWidths(std::uint32_t dpi, int extra);

}  // namespace orvane
