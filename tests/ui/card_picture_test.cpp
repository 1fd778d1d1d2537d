// The card as a picture: the same pixels whatever the user's colour scheme,
// and at high resolutions a window that keeps its artwork instead of decoding it at every
// repaint.
#include <gtest/gtest.h>

#include "desktop/imaging.h"
#include "desktop/painting.h"
#include "desktop/win32.h"
#include "sign/card_picture.h"

namespace {

// A system colour changed for as long as it lives (for this session only), then put back.
class SystemColourChange {
public:
    SystemColourChange(int element, COLORREF colour) : element_(element), previous_(GetSysColor(element)) {
        SetSysColors(1, &element_, &colour);
    }
    ~SystemColourChange() { SetSysColors(1, &element_, &previous_); }

private:
    int element_;
    COLORREF previous_;
};

desktop::Pixels card_for(double scale = 1.0) { return desktop::render(CardPicture(scale, L"13800138000")); }

// The darkest colour in an area, by the sum of its channels.
std::uint32_t darkest_in(const desktop::Pixels& picture, const desktop::PixelRect& area) {
    const auto sum = [](std::uint32_t c) { return (c & 0xFF) + (c >> 8 & 0xFF) + (c >> 16 & 0xFF); };
    std::uint32_t darkest = 0xFFFFFF;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (sum(picture.at(x, y)) < sum(darkest)) darkest = picture.at(x, y);
    return darkest;
}

// Under a high-contrast dark theme the text colour of buttons is white: digits in that colour
// would vanish in their white boxes, on screen and in every picture. (The digits are smoothed
// in grey whatever the user's ClearType setting too; Wine's drawing into memory does not
// follow that setting, so no test here could see the difference.)
TEST(CardPicture, TheDigitsAreBlackWhateverTheUsersColourScheme) {
    const desktop::Pixels standard = card_for();
    ASSERT_FALSE(standard.empty());
    EXPECT_EQ(darkest_in(standard, CardPicture(1.0).slot_bounds(1)), 0x000000u) << "the digits are not black";
    const SystemColourChange high_contrast(COLOR_BTNTEXT, RGB(255, 255, 255));
    EXPECT_TRUE(card_for().bytes() == standard.bytes()) << "the digits took the colour scheme's text colour";
}

// At 288 dpi (300 %) and above, the window draws the card from the 3x artwork: decoded once
// for the window's life, as the smaller scales shrink it once, never again at each repaint.
TEST(CardPicture, AWindowAbove288DpiDecodesItsArtworkOnce) {
    for (const double scale : {3.0, 4.0}) {
        SCOPED_TRACE(scale);
        const CardPicture window(scale, L"13800138000", {}, CardPicture::Painted::Repeatedly);
        const int decoded = desktop::pictures_decoded();
        const desktop::Pixels first = desktop::render(window), again = desktop::render(window);
        EXPECT_EQ(desktop::pictures_decoded(), decoded) << "a repaint decoded the artwork again";
        ASSERT_FALSE(first.empty());
        EXPECT_TRUE(first.bytes() == again.bytes());
        if (scale == 3.0) {
            EXPECT_TRUE(first.bytes() == card_for(scale).bytes()) << "the window differs from the print-quality picture";
        }
    }
}

}  // namespace
