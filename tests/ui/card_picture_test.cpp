// The card as a picture: the same pixels whatever the user's colour scheme,
// and at high resolutions a window that keeps its artwork instead of decoding it at every
// repaint.
#include <gtest/gtest.h>

#include <vector>

#include "card/card_picture.h"
#include "os/imaging.h"
#include "os/painting.h"
#include "os/win32.h"
#include "program_fixture.h"

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

picture::Pixels card_for(double scale = 1.0) { return os::render(CardPicture(scale, L"13800138000")); }

// The darkest colour in an area, by the sum of its channels.
std::uint32_t darkest_in(const picture::Pixels& picture, const os::PixelRect& area) {
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
    const picture::Pixels standard = card_for();
    ASSERT_FALSE(standard.empty());
    EXPECT_EQ(darkest_in(standard, CardPicture(1.0).slot_bounds(1)), 0x000000u) << "the digits are not black";
    const SystemColourChange high_contrast(COLOR_BTNTEXT, RGB(255, 255, 255));
    EXPECT_TRUE(card_for().bytes() == standard.bytes()) << "the digits took the colour scheme's text colour";
}

// A window's picture at 288 dpi keeps the whole 3x artwork; it draws the very pixels that the
// print-quality picture draws a band at a time.
TEST(CardPicture, AWindowsPictureAt288DpiDrawsAsThePrintQualityPicture) {
    const CardPicture window(3.0, L"13800138000", {}, CardPicture::Painted::Repeatedly);
    EXPECT_TRUE(os::render(window).bytes() == card_for(3.0).bytes());
}

// At 288 dpi (300 %) and above the card window draws from the 3x artwork: decoded once when
// the window comes to that resolution, as the smaller scales shrink it once, and never again
// at a repaint.
TEST_F(ProgramTest, TheCardAt288DpiAndAboveDecodesItsArtworkOnce) {
    ASSERT_NO_FATAL_FAILURE(start());
    CardWindow& card_window = card();
    for (const int dpi : {288, 384}) {
        SCOPED_TRACE(dpi);
        RECT suggested{0, 0, 1199 * dpi / 96, 548 * dpi / 96};
        SendMessageW(card_window.handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        ASSERT_EQ(card_window.dpi(), dpi);
        RedrawWindow(card_window.handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        const int decoded = os::pictures_decoded();
        for (int repaint = 0; repaint < 2; ++repaint) RedrawWindow(card_window.handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        type(L"138");
        UpdateWindow(card_window.handle());
        EXPECT_EQ(os::pictures_decoded(), decoded) << "a repaint decoded the artwork again";
        panel().number_box.set_text(L"");
    }
}

// Drawn into a picture that holds another card, as each save draws into the last one's: the
// same pixels as drawn afresh, nothing of the other card left, at either size.
TEST(CardPicture, DrawnIntoAnotherCardsPictureItIsTheSameAsDrawnAfresh) {
    for (const double scale : {1.0, 0.5}) {
        SCOPED_TRACE(scale);
        os::RenderMemory reused;
        ASSERT_TRUE(os::render(CardPicture(1.0, L"19999999999"), reused));
        ASSERT_TRUE(os::render(CardPicture(scale, L"13800138000"), reused));
        EXPECT_TRUE(reused.picture.bytes() == card_for(scale).bytes());
        EXPECT_EQ(reused.picture.width(), card_for(scale).width());
    }
}

}  // namespace
