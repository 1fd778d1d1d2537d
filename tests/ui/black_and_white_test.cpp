// The black-and-white card: off at first, remembered for the user, offered checked or not in
// both menus, and when on, the card in the window and every way out is grey only, its digits
// and QR code drawn exactly as on the colour card.
#include <algorithm>
#include <cstdlib>

#include "card/card_picture.h"
#include "os/painting.h"
#include "os/settings.h"
#include "program_fixture.h"

namespace {

const wchar_t kNumber[] = L"13800138000";

bool grey(std::uint32_t colour) {
    return (colour & 0xFF) == (colour >> 8 & 0xFF) && (colour >> 8 & 0xFF) == (colour >> 16 & 0xFF);
}

int coloured_pixels(const picture::Pixels& picture) {
    int count = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) count += !grey(picture.at(x, y));
    return count;
}

// Pixels of an area that differ between two pictures.
int differing_in(const picture::Pixels& a, const picture::Pixels& b, const os::PixelRect& area) {
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) count += a.at(x, y) != b.at(x, y);
    return count;
}

std::uint32_t darkest_in(const picture::Pixels& picture, const os::PixelRect& area) {
    std::uint32_t darkest = 0xFFFFFF;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) darkest = std::min(darkest, picture.at(x, y) & 0xFF);
    return darkest;
}

// The smallest area holding every pixel in which two pictures differ.
os::PixelRect where_they_differ(const picture::Pixels& a, const picture::Pixels& b) {
    os::PixelRect area{a.width(), a.height(), 0, 0};
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.at(x, y) != b.at(x, y))
                area = {std::min(area.left, x), std::min(area.top, y), std::max(area.right, x + 1),
                        std::max(area.bottom, y + 1)};
    return area;
}

picture::Pixels drawn_card(double scale, const std::string& code, CardStyle style) {
    return os::render(CardPicture(scale, kNumber, code, CardPicture::Painted::Once, style));
}

// At every scale the window and the files use, the black-and-white card is grey only, and
// where the digits stand (their boxes) and where the QR code stands (its light margin and
// all) it is the colour card's very pixels: black digits in white boxes, a black code on white.
TEST(BlackAndWhiteCard, GreyOnlyWithTheColourCardsDigitsAndCodeAtEveryScale) {
    for (const double scale : {1.0, 1.5, 3.0}) {
        SCOPED_TRACE(scale);
        const CardPicture layout(scale, kNumber, "tel:13800138000");
        const os::PixelRect code_square =
            where_they_differ(drawn_card(scale, "", CardStyle::Colour),
                              drawn_card(scale, "tel:13800138000", CardStyle::Colour));
        ASSERT_FALSE(code_square.empty());
        for (const std::string code : {"", "tel:13800138000"}) {
            const picture::Pixels colour = drawn_card(scale, code, CardStyle::Colour);
            const picture::Pixels bw = drawn_card(scale, code, CardStyle::BlackAndWhite);
            ASSERT_EQ(bw.width(), colour.width());
            EXPECT_GT(coloured_pixels(colour), colour.width() * colour.height() / 2) << "the colour card is not";
            EXPECT_EQ(coloured_pixels(bw), 0);
            for (int k = 1; k <= 11; ++k) {
                EXPECT_EQ(differing_in(bw, colour, layout.slot_bounds(k)), 0) << "slot " << k;
                EXPECT_EQ(darkest_in(bw, layout.slot_bounds(k)), 0u) << "slot " << k << ": no black digit";
            }
            if (!code.empty()) {
                EXPECT_EQ(differing_in(bw, colour, code_square), 0) << "the code";
            }
        }
    }
}

class BlackAndWhiteTest : public ProgramTest {
protected:
    void SetUp() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Velmora");
        ProgramTest::SetUp();
    }
    void TearDown() override {
        ProgramTest::TearDown();
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Velmora");
    }

    // The card window's client area as it is drawn.
    picture::Pixels window_pixels() {
        const HWND window = card().handle();
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        RECT client{};
        GetClientRect(window, &client);
        const int width = client.right, height = client.bottom;
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        const os::WindowDC screen(window);
        const os::MemoryDC memory(CreateCompatibleDC(screen.get()));
        const os::Bitmap bitmap(CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        picture::Pixels pixels(width, height);
        if (!bits) return pixels;
        {
            const os::Selection selected(memory.get(), bitmap.get());
            BitBlt(memory.get(), 0, 0, width, height, screen.get(), 0, 0, SRCCOPY);
        }
        GdiFlush();
        for (int y = 0; y < height; ++y) pixels.set_row(y, static_cast<const std::uint32_t*>(bits) + std::size_t(y) * width);
        return pixels;
    }

    bool item_checked() { return menu_item_checked(Velmora::kToggleBlackAndWhite); }
};

TEST_F(BlackAndWhiteTest, OffAtFirstThenRememberedForTheUser) {
    ASSERT_NO_FATAL_FAILURE(start());
    EXPECT_FALSE(item_checked());
    EXPECT_GT(coloured_pixels(window_pixels()), 0);
    app().run(Velmora::kToggleBlackAndWhite);
    EXPECT_TRUE(item_checked());
    EXPECT_TRUE(os::Settings(velmora_identity().settings_key).read(L"BlackAndWhite", false));

    // A program started later finds it on, and its card comes up in black and white.
    TearDownApp();
    ASSERT_NO_FATAL_FAILURE(start());
    EXPECT_TRUE(item_checked());
    EXPECT_EQ(coloured_pixels(window_pixels()), 0);
}

// The window changes at once, digits, code and all, and back again to the very colour card.
TEST_F(BlackAndWhiteTest, TheWindowTurnsAtOnceAndBack) {
    ASSERT_NO_FATAL_FAILURE(start());
    type(kNumber);
    const picture::Pixels without_code = window_pixels();
    app().run(Velmora::kToggleQr);
    const picture::Pixels before = window_pixels();
    ASSERT_GT(coloured_pixels(before), 0);
    const os::PixelRect code_square = where_they_differ(without_code, before);
    ASSERT_FALSE(code_square.empty());

    app().run(Velmora::kToggleBlackAndWhite);
    const picture::Pixels bw = window_pixels();
    EXPECT_EQ(coloured_pixels(bw), 0);
    const CardPicture layout(1.0, kNumber, "tel:13800138000");
    EXPECT_EQ(differing_in(bw, before, code_square), 0) << "the code is not as on the colour card";
    for (int k = 1; k <= 11; ++k) EXPECT_EQ(differing_in(bw, before, layout.slot_bounds(k)), 0) << "slot " << k;

    app().run(Velmora::kToggleBlackAndWhite);
    const picture::Pixels after = window_pixels();
    EXPECT_TRUE(after.bytes() == before.bytes()) << "the colour card did not come back as it was";
}

// The copy draws what every way out draws: with the option on, the black-and-white card.
TEST_F(BlackAndWhiteTest, TheCopyCarriesTheBlackAndWhiteCard) {
    ASSERT_NO_FATAL_FAILURE(start());
    type(kNumber);
    app().run(Velmora::kToggleBlackAndWhite);
    app().run(Velmora::kCopyPicture);

    std::vector<std::uint8_t> dib;
    ASSERT_TRUE(OpenClipboard(nullptr));
    if (const HANDLE data = GetClipboardData(CF_DIB)) {
        const auto* p = static_cast<const std::uint8_t*>(GlobalLock(data));
        dib.assign(p, p + GlobalSize(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    const picture::Pixels expected = drawn_card(1.0, "", CardStyle::BlackAndWhite);
    ASSERT_GE(dib.size(), sizeof(BITMAPINFOHEADER) + expected.bytes().size());
    EXPECT_TRUE(std::equal(expected.bytes().begin(), expected.bytes().end(), dib.begin() + sizeof(BITMAPINFOHEADER)))
        << "the copied card is not the black-and-white one";
}

}  // namespace
