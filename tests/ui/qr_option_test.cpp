// The card's QR code option: off at first, remembered for the user, offered checked or not in
// both menus, and a code on the card only for a whole number.
#include "os/settings.h"
#include "program_fixture.h"

namespace {

class QrOptionTest : public ProgramTest {
protected:
    void SetUp() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Velmora");
        ProgramTest::SetUp();
    }
    void TearDown() override {
        ProgramTest::TearDown();
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Velmora");
    }

    // The card's parking-mark square as the card window draws it.
    std::vector<COLORREF> mark_pixels() {
        RedrawWindow(card().handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        const os::WindowDC dc(card().handle());
        std::vector<COLORREF> pixels;
        for (int y = 44; y <= 218; y += 3)
            for (int x = 141; x <= 316; x += 3) pixels.push_back(GetPixel(dc.get(), x, y));
        return pixels;
    }

    bool qr_item_checked() { return menu_item_checked(Velmora::kToggleQr); }
};

TEST_F(QrOptionTest, OffAtFirstThenRememberedForTheUser) {
    ASSERT_NO_FATAL_FAILURE(start());
    EXPECT_FALSE(qr_item_checked());
    app().run(Velmora::kToggleQr);
    EXPECT_TRUE(qr_item_checked());
    EXPECT_TRUE(os::Settings(velmora_identity().settings_key).read(L"QrCode", false));

    // A program started later finds it on.
    TearDownApp();
    ASSERT_NO_FATAL_FAILURE(start());
    EXPECT_TRUE(qr_item_checked());
}

TEST_F(QrOptionTest, TheCodeTakesTheMarksPlaceOnlyForAWholeNumber) {
    ASSERT_NO_FATAL_FAILURE(start());
    const auto plain = mark_pixels();
    type(L"13800138000");
    EXPECT_EQ(mark_pixels(), plain) << "a code while the option is off";
    app().run(Velmora::kToggleQr);
    const auto with_code = mark_pixels();
    EXPECT_NE(with_code, plain) << "no code for a whole number";
    SendMessageW(panel().number_box.handle(), EM_SETSEL, 11, 11);  // the menu left the number selected
    type(L"\b");
    EXPECT_EQ(mark_pixels(), plain) << "a code for part of a number";
    type(L"0");
    EXPECT_EQ(mark_pixels(), with_code);

    click(panel().eight_digits);  // empties the box: the mark is back
    EXPECT_EQ(mark_pixels(), plain);
    type(L"12345678");
    EXPECT_NE(mark_pixels(), plain) << "eight digits are whole in the 8-digit mode";
    app().run(Velmora::kToggleQr);
    EXPECT_EQ(mark_pixels(), plain) << "the option off takes the code away";
}

}  // namespace
