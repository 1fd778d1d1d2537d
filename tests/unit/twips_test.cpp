#include "os/twips.h"

#include <gtest/gtest.h>

namespace {

// Twips are 1/1440 inch: 15 a pixel at 96 dpi, 12 at 120, 10 at 144, 7.5 at 192.
TEST(Twips, ToPixelsAtEachResolution) {
    const struct {
        int twips;
        int pixels_96, pixels_120, pixels_144, pixels_192;
    } cases[] = {
        {0, 0, 0, 0, 0},
        {15, 1, 1, 2, 2},           // 1.25 and 1.5 pixels: 1.5 goes up
        {17985, 1199, 1499, 1799, 2398},  // the card window (1798.5 at 144 dpi)
        {8220, 548, 685, 822, 1096},
        {4305, 287, 359, 431, 574},  // the panel
        {2730, 182, 228, 273, 364},
        {5020, 335, 418, 502, 669},  // slot 1's left edge
        {4920, 328, 410, 492, 656},
        {7, 0, 1, 1, 1},
        {8, 1, 1, 1, 1},
        {-8, -1, -1, -1, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.twips);
        EXPECT_EQ(os::to_pixels(c.twips), c.pixels_96);
        EXPECT_EQ(os::to_pixels(c.twips, 96), c.pixels_96);
        EXPECT_EQ(os::to_pixels(c.twips, 120), c.pixels_120);
        EXPECT_EQ(os::to_pixels(c.twips, 144), c.pixels_144);
        EXPECT_EQ(os::to_pixels(c.twips, 192), c.pixels_192);
    }
}

TEST(Twips, ToTwipsAtEachResolution) {
    EXPECT_EQ(os::to_twips(1199), 17985);
    EXPECT_EQ(os::to_twips(1199, 120), 14388);
    EXPECT_EQ(os::to_twips(1799, 144), 17990);
    EXPECT_EQ(os::to_twips(2398, 192), 17985);
}

TEST(Twips, FontHeightsScaleWithTheResolution) {
    const struct {
        double points;
        int dpi, pixels;
    } cases[] = {{90, 96, -120}, {12, 96, -16}, {10.5, 96, -14}, {9, 96, -12},
                 {90, 144, -180}, {12, 120, -20}, {90, 192, -240}, {90, 288, -360}};
    for (const auto& c : cases) EXPECT_EQ(os::font_height_pixels(c.points, c.dpi), c.pixels) << c.points << " pt at " << c.dpi;
}

}  // namespace
