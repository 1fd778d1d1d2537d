#include "desktop/twips.h"

#include <gtest/gtest.h>

namespace {

TEST(Twips, ConvertAtFifteenTwipsPerPixel) {
    const struct {
        int twips;
        int pixels;
    } cases[] = {{0, 0}, {15, 1}, {17985, 1199}, {8220, 548}, {4305, 287}, {2730, 182},
                 {5020, 335}, {7280, 485}, {4920, 328}, {7, 0}, {8, 1}, {-8, -1}};
    for (const auto& c : cases) EXPECT_EQ(desktop::to_pixels(c.twips), c.pixels) << c.twips;
    EXPECT_EQ(desktop::to_twips(1199), 17985);
}

TEST(Twips, FontHeightsAtNinetySixDpi) {
    EXPECT_EQ(desktop::font_height_pixels(90), -120);
    EXPECT_EQ(desktop::font_height_pixels(12), -16);
    EXPECT_EQ(desktop::font_height_pixels(10.5), -14);
    EXPECT_EQ(desktop::font_height_pixels(9), -12);
}

}  // namespace
