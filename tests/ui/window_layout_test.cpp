#include <gtest/gtest.h>

#include <cmath>

#include "ui/window_layout.h"

namespace orvane {
namespace {

TEST(WindowLayout, ScalesLikeMulDiv) {
    EXPECT_EQ(scaleForDpi(904, 96), 904);
    EXPECT_EQ(scaleForDpi(904, 144), 1356);
    EXPECT_EQ(scaleForDpi(31, 144), 47);    // 46.5 rounds away from zero
    EXPECT_EQ(scaleForDpi(3, 120), 4);      // 3.75
    EXPECT_EQ(scaleForDpi(13, 120), 16);    // 16.25
    EXPECT_EQ(scaleForDpi(-15, 144), -23);  // font heights are negative
    EXPECT_EQ(scaleForDpi(0, 192), 0);
}

TEST(WindowLayout, ExtraWidthGoesToWidenedControlsAndBrowseOnly) {
    const PixelSize wider{960 + 200, 768};
    const PixelRect folder{28, 128, 788, 31};
    EXPECT_EQ(placeControl(folder, LayoutRole::Widen, 96, wider), (PixelRect{28, 128, 988, 31}));
    EXPECT_EQ(placeControl({832, 127, 100, 33}, LayoutRole::FollowRightEdge, 96, wider),
              (PixelRect{1032, 127, 100, 33}));
    EXPECT_EQ(placeControl({512, 167, 144, 31}, LayoutRole::Fixed, 96, wider),
              (PixelRect{512, 167, 144, 31}));
    // The details box takes the extra width and the height left above the bottom margin.
    EXPECT_EQ(placeControl({28, 612, 904, 74}, LayoutRole::FillRemaining, 96, wider),
              (PixelRect{28, 612, 1104, 132}));
    // A client narrower or shorter than designed shrinks nothing below the written size.
    EXPECT_EQ(placeControl(folder, LayoutRole::Widen, 96, {900, 600}), folder);
    EXPECT_EQ(placeControl({28, 612, 904, 74}, LayoutRole::FillRemaining, 96, {900, 600}),
              (PixelRect{28, 612, 904, 74}));
}

TEST(WindowLayout, At144DpiEveryRectangleIsOneAndAHalfTimes) {
    const PixelSize client{1440, 1152};
    const PixelRect rects[] = {{28, 104, 330, 22},
                               {832, 127, 100, 33},
                               {498, 261, 22, 31},
                               {28, 362, 904, 14},
                               {818, 568, 114, 32}};
    for (LayoutRole role : {LayoutRole::Fixed, LayoutRole::Widen, LayoutRole::FollowRightEdge}) {
        for (const PixelRect& r : rects) {
            const auto half = [](int v) { return static_cast<int>(std::lround(v * 1.5)); };
            EXPECT_EQ(placeControl(r, role, 144, client),
                      (PixelRect{half(r.x), half(r.y), half(r.width), half(r.height)}));
        }
    }
    EXPECT_EQ(placeControl({28, 612, 904, 74}, LayoutRole::FillRemaining, 144, client),
              (PixelRect{42, 918, 1356, 198}));
}

TEST(WindowLayout, ColumnWidthsScaleAndTheDriveColumnTakesTheExtra) {
    const auto at96 = comparisonColumnWidths(96, 0);
    auto widths = comparisonColumnWidths(96, 200);
    for (std::size_t i = 0; i < widths.size(); ++i)
        EXPECT_EQ(widths[i], at96[i] + (i == kDriveColumn ? 200 : 0)) << i;
    widths = comparisonColumnWidths(144, 0);
    EXPECT_EQ(widths[0], 83);  // 82.5
    EXPECT_EQ(widths[1], 390);
    EXPECT_EQ(widths[11], 285);
    EXPECT_EQ(at96[1], 260);
}

}  // namespace
}  // namespace orvane
