// Typing, pasting and the 8/11-digit mode, through the real number box, and the card's slots.
#include "program_fixture.h"

namespace {

std::wstring slots(const CardWindow& card_window) {
    std::wstring shown;
    for (int k = 1; k <= 11; ++k) {
        const std::wstring& caption = card_window.slot_caption(k);
        shown += caption.empty() ? L"_" : caption;
    }
    return shown;
}

TEST_F(ProgramTest, TypedKeysPassTheFilterAndShowOnTheCard) {
    ASSERT_NO_FATAL_FAILURE(start());
    const struct {
        const wchar_t* keys;
        const wchar_t* text;
        const wchar_t* slots;
    } cases[] = {
        {L"138", L"138", L"138________"},
        {L"a- 中+", L"", L"***********"},
        {L"1.2.", L"1.2", L"1.2________"},
        {L"1.\b.", L"1.", L"1._________"},  // after deleting the point a new one is accepted
        {L"123456789012", L"12345678901", L"12345678901"},
        {L"12\b\b", L"", L"***********"},
    };
    for (const auto& c : cases) {
        panel().number_box.set_text(L"");
        type(c.keys);
        EXPECT_EQ(panel().number_box.text(), c.text) << testing::PrintToString(std::wstring(c.keys));
        EXPECT_EQ(slots(card()), c.slots) << testing::PrintToString(std::wstring(c.keys));
    }
}

TEST_F(ProgramTest, DeletingInTheMiddleShiftsTheSlots) {
    ASSERT_NO_FATAL_FAILURE(start());
    type(L"12345");
    SendMessageW(panel().number_box.handle(), EM_SETSEL, 1, 2);
    type(L"\b");
    EXPECT_EQ(slots(card()), L"1345_______");
}

TEST_F(ProgramTest, ModeSwitchEmptiesTheBoxAndSetsTheLimit) {
    ASSERT_NO_FATAL_FAILURE(start());
    ControlPanel& controls = panel();
    type(L"13800138000");
    click(controls.eight_digits);
    EXPECT_EQ(controls.number_box.text(), L"");
    EXPECT_EQ(slots(card()), L"***********");
    type(L"123456789");
    EXPECT_EQ(controls.number_box.text(), L"12345678");
    EXPECT_EQ(slots(card()), L"12345678___");

    click(controls.eleven_digits);
    EXPECT_EQ(controls.number_box.text(), L"");
    EXPECT_EQ(slots(card()), L"***********");
    type(L"123456789012");  // the limit is eleven again: the twelfth digit is refused
    EXPECT_EQ(controls.number_box.text(), L"12345678901");
    EXPECT_EQ(slots(card()), L"12345678901");
}

TEST_F(ProgramTest, PastedTextObeysTheSameRuleAsTyping) {
    ASSERT_NO_FATAL_FAILURE(start());
    ControlPanel& controls = panel();
    const struct {
        const wchar_t* clipboard;
        const wchar_t* before;
        const wchar_t* after;
        int selection_start = 100, selection_end = -1;  // -1: the same as the start
    } cases[] = {
        {L"138-1234-5678", L"", L"13812345678"},
        {L"电话：１３８ abc", L"", L"138"},  // full-width digits are digits in a paste
        {L"+86 138 0013 8000", L"", L"13800138000"},  // the country code is not part of the number
        {L"9.9.9", L"1", L"19.99"},
        {L"5.5", L"1.", L"1.55"},
        {L"9a9", L"1234", L"129934", 2},  // into the middle, caret after "12"
        {L"77", L"12345", L"17745", 1, 3},  // over the selected "23"
        {L"123456789", L"", L"12345678"},  // cut to the 8-digit limit, set below
    };
    for (const auto& c : cases) {
        if (std::wstring(c.after) == L"12345678") click(controls.eight_digits);
        controls.number_box.set_text(c.before);
        SendMessageW(controls.number_box.handle(), EM_SETSEL, c.selection_start,
                     c.selection_end < 0 ? c.selection_start : c.selection_end);
        put_text_on_clipboard(c.clipboard);
        SendMessageW(controls.number_box.handle(), WM_PASTE, 0, 0);
        EXPECT_EQ(controls.number_box.text(), c.after) << testing::PrintToString(std::wstring(c.clipboard));
    }
    EXPECT_EQ(slots(card()), L"12345678___");
    EXPECT_EQ(clipboard_text(), L"123456789");  // pasting reads the clipboard, never changes it
}

// The card's window is covered in a colour the card never has, straight onto the screen and
// behind the window's back; whatever the card paints afterwards shows through it.
TEST_F(ProgramTest, OnlyTheSlotThatChangedIsPaintedAgainAtOnce) {
    ASSERT_NO_FATAL_FAILURE(start());
    type(L"1");
    pump_for(50);
    RECT pending;
    ASSERT_FALSE(GetUpdateRect(card().handle(), &pending, FALSE)) << "painting is done";
    constexpr COLORREF kMarker = RGB(255, 0, 255);
    const os::WindowDC dc(card().handle());
    RECT whole;
    GetClientRect(card().handle(), &whole);
    const auto cover = [&] {
        const HBRUSH marker = CreateSolidBrush(kMarker);
        FillRect(dc.get(), &whole, marker);
        DeleteObject(marker);
        GdiFlush();
    };
    // Where the marker is gone, in steps of 4 pixels: the bounds of what was painted again.
    const auto painted = [&] {
        os::PixelRect bounds{whole.right, whole.bottom, 0, 0};
        for (int y = 0; y < whole.bottom; y += 4)
            for (int x = 0; x < whole.right; x += 4)
                if (GetPixel(dc.get(), x, y) != kMarker)
                    bounds = {std::min(bounds.left, x), std::min(bounds.top, y), std::max(bounds.right, x + 1),
                              std::max(bounds.bottom, y + 1)};
        return bounds;
    };

    cover();
    type(L"2");  // no message pumped after the key: the card has painted already
    EXPECT_FALSE(GetUpdateRect(card().handle(), &pending, FALSE)) << "the slot still waits to be painted";
    const os::PixelRect slot2 = card().slot_bounds(2), seen = painted();
    EXPECT_LE(slot2.left, seen.left);
    EXPECT_LE(slot2.top, seen.top);
    EXPECT_GE(slot2.right, seen.right);
    EXPECT_GE(slot2.bottom, seen.bottom);
    EXPECT_GT(seen.right - seen.left, slot2.width() - 8) << "the slot painted whole";
    EXPECT_GT(seen.bottom - seen.top, slot2.height() - 8);

    cover();
    panel().number_box.set_text(L"12");  // the same text again: nothing to paint
    pump_for(50);
    EXPECT_TRUE(painted().empty()) << "something was painted again";
    RedrawWindow(card().handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

TEST_F(ProgramTest, TypingIntoAClosedCardLoadsItAgainWithTheNotice) {
    ASSERT_NO_FATAL_FAILURE(start());
    card().close();
    EXPECT_FALSE(app().card_loaded());
    type(L"7");
    ASSERT_TRUE(app().card_loaded());
    EXPECT_EQ(titles(), (std::vector<std::wstring>{L"使用前提示", L"使用前提示"}));
    EXPECT_EQ(card().slot_caption(1), L"7");
    EXPECT_EQ(card().slot_caption(2), L"");
    EXPECT_TRUE(card().watchdog.enabled());
    EXPECT_TRUE(card().visible());
}

}  // namespace
