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

TEST_F(ProgramTest, OnlyTheSlotThatChangedIsPaintedAgain) {
    ASSERT_NO_FATAL_FAILURE(start());
    type(L"1");
    pump_for(50);
    RECT pending;
    ASSERT_FALSE(GetUpdateRect(card().handle(), &pending, FALSE)) << "painting is done";

    type(L"2");
    ASSERT_TRUE(GetUpdateRect(card().handle(), &pending, FALSE));
    const os::PixelRect slot2 = card().slot_bounds(2);
    EXPECT_EQ((os::PixelRect{pending.left, pending.top, pending.right, pending.bottom}), slot2);

    pump_for(50);
    panel().number_box.set_text(L"12");  // the same text again: nothing to paint
    EXPECT_FALSE(GetUpdateRect(card().handle(), &pending, FALSE));
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
