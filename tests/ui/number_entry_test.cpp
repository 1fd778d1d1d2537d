// Typing, pasting and the 8/11-digit mode, through the real number box, and the card's slots.
#include "program_fixture.h"

namespace {

std::wstring slots() {
    std::wstring shown;
    for (int k = 1; k <= 11; ++k) {
        const std::wstring& caption = Form1().slot(k).caption();
        shown += caption.empty() ? L"_" : caption;
    }
    return shown;
}

TEST_F(ProgramTest, TypedKeysPassTheFilterAndShowOnTheCard) {
    start();
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
        Form2().Text1.set_text(L"");
        type(c.keys);
        EXPECT_EQ(Form2().Text1.text(), c.text) << testing::PrintToString(std::wstring(c.keys));
        EXPECT_EQ(slots(), c.slots) << testing::PrintToString(std::wstring(c.keys));
    }
}

TEST_F(ProgramTest, DeletingInTheMiddleShiftsTheSlots) {
    start();
    type(L"12345");
    SendMessageW(Form2().Text1.handle(), EM_SETSEL, 1, 2);
    type(L"\b");
    EXPECT_EQ(slots(), L"1345_______");
}

TEST_F(ProgramTest, ModeSwitchEmptiesTheBoxAndSetsTheLimit) {
    start();
    ControlPanel& panel = Form2();
    type(L"13800138000");
    click(panel.Option1);
    EXPECT_EQ(panel.Text1.text(), L"");
    EXPECT_EQ(slots(), L"***********");
    type(L"123456789");
    EXPECT_EQ(panel.Text1.text(), L"12345678");
    EXPECT_EQ(slots(), L"12345678___");

    click(panel.Option2);
    EXPECT_EQ(panel.Text1.text(), L"");
    EXPECT_EQ(panel.Text1.max_length(), 11);
    EXPECT_EQ(slots(), L"***********");
}

TEST_F(ProgramTest, PastedTextObeysTheSameRuleAsTyping) {
    start();
    ControlPanel& panel = Form2();
    const struct {
        const wchar_t* clipboard;
        const wchar_t* before;
        const wchar_t* after;
    } cases[] = {
        {L"138-1234-5678", L"", L"13812345678"},
        {L"电话：１３８ abc", L"", L""},
        {L"9.9.9", L"1", L"19.99"},
        {L"5.5", L"1.", L"1.55"},
        {L"123456789", L"", L"12345678"},  // cut to the 8-digit limit, set below
    };
    for (const auto& c : cases) {
        if (std::wstring(c.after) == L"12345678") click(panel.Option1);
        panel.Text1.set_text(c.before);
        SendMessageW(panel.Text1.handle(), EM_SETSEL, 100, 100);
        put_text_on_clipboard(c.clipboard);
        SendMessageW(panel.Text1.handle(), WM_PASTE, 0, 0);
        EXPECT_EQ(panel.Text1.text(), c.after) << testing::PrintToString(std::wstring(c.clipboard));
    }
    EXPECT_EQ(slots(), L"12345678___");
    EXPECT_EQ(clipboard_text(), L"123456789");  // pasting reads the clipboard, never changes it
}

TEST_F(ProgramTest, OnlyTheSlotThatChangedIsPaintedAgain) {
    start();
    type(L"1");
    pump_for(50);
    RECT pending;
    ASSERT_FALSE(GetUpdateRect(Form1().handle(), &pending, FALSE)) << "painting is done";

    type(L"2");
    ASSERT_TRUE(GetUpdateRect(Form1().handle(), &pending, FALSE));
    const desktop::PixelRect slot2 = Form1().sz2.bounds();
    EXPECT_EQ((desktop::PixelRect{pending.left, pending.top, pending.right, pending.bottom}), slot2);

    pump_for(50);
    Form2().Text1.set_text(L"12");  // the same text again: nothing to paint
    EXPECT_FALSE(GetUpdateRect(Form1().handle(), &pending, FALSE));
}

TEST_F(ProgramTest, TypingIntoAClosedCardLoadsItAgainWithTheNotice) {
    start();
    Form1().close();
    EXPECT_FALSE(sign_window_slot().loaded());
    type(L"7");
    ASSERT_TRUE(sign_window_slot().loaded());
    EXPECT_EQ(titles(), (std::vector<std::wstring>{L"使用前提示", L"使用前提示"}));
    EXPECT_EQ(Form1().sz1.caption(), L"7");
    EXPECT_EQ(Form1().sz2.caption(), L"");
    EXPECT_TRUE(Form1().Timer1.enabled());
    EXPECT_TRUE(Form1().visible());
}

}  // namespace
