// Start-up, the control panel's state at load, its switches and its context-menu guard.
#include "desktop/twips.h"
#include "panel/menu_guard.h"
#include "program_fixture.h"

namespace {

TEST_F(ProgramTest, StartUpShowsTheCardAndTheNoticeThenLoadsThePanelHidden) {
    SignWindow& card = Form1();

    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, L"使用前提示");
    EXPECT_EQ(boxes[0].flags, 64u);
    EXPECT_EQ(boxes[0].text, L"保存图片时,主窗体上面不允许有任何软件的遮挡。\r\n否则无法保存成完整的图片!");
    EXPECT_TRUE(card.visible());
    EXPECT_EQ(card.left(), 0);
    EXPECT_EQ(card.top(), 0);
    EXPECT_EQ(card.width(), 17985);
    EXPECT_EQ(card.height(), 8220);
    EXPECT_TRUE(card.Timer1.enabled());
    EXPECT_FALSE(card.Timer2.enabled());
    EXPECT_EQ(ends, 0);

    // The panel is loaded, guarded and topmost, but only the watchdog shows it.
    ASSERT_TRUE(control_panel_slot().loaded());
    ControlPanel& panel = Form2();
    EXPECT_FALSE(panel.visible());
    EXPECT_TRUE(topmost(panel));
    EXPECT_EQ(GetWindowLongPtrW(panel.Text1.handle(), GWLP_WNDPROC),
              reinterpret_cast<LONG_PTR>(&Module1::MenuGuardProc));
}

TEST_F(ProgramTest, StartUpHandsTheHandCursorToSixControlsOnly) {
    start();
    ControlPanel& panel = Form2();
    const desktop::Cursor hand = Form1().zz_ICON.mouse_icon();
    ASSERT_TRUE(hand);
    for (desktop::Control* control : {static_cast<desktop::Control*>(&panel.Command1), static_cast<desktop::Control*>(&panel.Command2),
                                      static_cast<desktop::Control*>(&panel.Command3), static_cast<desktop::Control*>(&panel.Option1),
                                      static_cast<desktop::Control*>(&panel.Option2), static_cast<desktop::Control*>(&panel.Check1)}) {
        EXPECT_TRUE(control->mouse_icon() == hand) << testing::PrintToString(control->design().caption);
        EXPECT_TRUE(control->design().custom_pointer);
    }
    for (desktop::Control* control : {static_cast<desktop::Control*>(&panel.Text1), static_cast<desktop::Control*>(&panel.Check2),
                                      static_cast<desktop::Control*>(&panel.Label1), static_cast<desktop::Control*>(&panel.Label2)})
        EXPECT_FALSE(control->design().custom_pointer) << testing::PrintToString(control->design().caption);
}

TEST_F(ProgramTest, PanelAtLoadHasItsDesignedState) {
    start();
    ControlPanel& panel = Form2();
    EXPECT_EQ(panel.Text1.text(), L"");
    EXPECT_EQ(panel.Text1.max_length(), 11);
    EXPECT_FALSE(panel.Option1.value());
    EXPECT_TRUE(panel.Option2.value());
    EXPECT_EQ(panel.Check1.value(), 0);
    EXPECT_EQ(panel.Check2.value(), 1);
    EXPECT_FALSE(panel.Check2.enabled());
    EXPECT_TRUE(panel.Command2.enabled());
    EXPECT_EQ(GetFocus(), panel.Text1.handle());

    // Centred on the screen when first shown (the watchdog may then adjust the outer height
    // by a few pixels where the platform's caption is not 23 pixels high); client area
    // 4215 twips wide.
    RECT outer, client;
    GetWindowRect(panel.handle(), &outer);
    GetClientRect(panel.handle(), &client);
    EXPECT_NEAR((outer.left + outer.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_NEAR((outer.top + outer.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 4);
    EXPECT_EQ(client.right, desktop::to_pixels(4215));
    EXPECT_EQ(GetWindowLongW(panel.handle(), GWL_STYLE) & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0);
    wchar_t title[256];
    GetWindowTextW(panel.handle(), title, 256);
    EXPECT_EQ(std::wstring(title).rfind(L"控制面板 ", 0), 0u) << testing::PrintToString(std::wstring(title));
}

TEST_F(ProgramTest, HideSwitchHidesTheCardAndDisablesSaving) {
    start();
    ControlPanel& panel = Form2();
    click(panel.Check1);
    EXPECT_FALSE(Form1().visible());
    EXPECT_FALSE(panel.Command2.enabled());
    pump_for(50);  // the watchdog leaves the card hidden
    EXPECT_FALSE(Form1().visible());
    EXPECT_TRUE(panel.visible());

    click(panel.Check1);
    EXPECT_TRUE(Form1().visible());
    EXPECT_TRUE(panel.Command2.enabled());
}

TEST_F(ProgramTest, AboutBoxHasFiveLinesAndChangesNothing) {
    start();
    click(Form2().Command3);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].title, L"关于程序");
    EXPECT_EQ(boxes[1].flags, 64u);
    const std::wstring& text = boxes[1].text;
    std::vector<std::wstring> lines;
    for (std::size_t at = 0;;) {
        const std::size_t end = text.find(L"\r\n", at);
        lines.push_back(text.substr(at, end - at));
        if (end == std::wstring::npos) break;
        at = end + 2;
    }
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[2], L"最后更新时间: 2022-07-15");
    EXPECT_TRUE(Form2().visible());
    EXPECT_EQ(ends, 0);
}

TEST_F(ProgramTest, ExitButtonEndsAtOnceWithoutUnloading) {
    start();
    click(Form2().Command1);
    EXPECT_EQ(ends, 1);
    EXPECT_TRUE(control_panel_slot().loaded());  // no unload procedure ran
    EXPECT_EQ(boxes.size(), 1u);                  // no question asked
}

// The guard swallows the context-menu request and hands everything else on unchanged.
TEST_F(ProgramTest, MenuGuardSwallowsOnlyTheContextMenuRequest) {
    start();
    const HWND box = Form2().Text1.handle();
    EXPECT_EQ(SendMessageW(box, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(box), MAKELPARAM(-1, -1)), -1);
    EXPECT_EQ(SendMessageW(box, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(box), MAKELPARAM(600, 500)), -1);
    pump_for(50);
    EXPECT_EQ(FindWindowW(L"#32768", nullptr), nullptr) << "a popup menu opened";

    // Other messages reach the box: text, selection and typing behave as usual.
    SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"123"));
    EXPECT_EQ(Form2().Text1.text(), L"123");
    SendMessageW(box, EM_SETSEL, 1, 3);
    EXPECT_EQ(Form2().Text1.selection(), std::make_pair(1, 3));
    type(L"9");
    EXPECT_EQ(Form2().Text1.text(), L"19");
    EXPECT_EQ(Form1().sz2.caption(), L"9");  // the change notification still arrives
}

TEST_F(ProgramTest, ClosedPanelComesBackInItsLoadStateAndGuarded) {
    start();
    ControlPanel* first = &Form2();
    type(L"138");
    click(first->Option1);
    type(L"1234");
    click(first->Check1);
    first->close();
    EXPECT_FALSE(control_panel_slot().loaded());

    ASSERT_TRUE(pump_until([] { return control_panel_slot().loaded() && Form2().visible(); }));
    ControlPanel& panel = Form2();
    EXPECT_NE(&panel, first);
    EXPECT_EQ(panel.Text1.text(), L"");
    EXPECT_EQ(panel.Text1.max_length(), 11);
    EXPECT_TRUE(panel.Option2.value());
    EXPECT_EQ(panel.Check1.value(), 0);
    EXPECT_TRUE(panel.Command2.enabled());
    EXPECT_TRUE(topmost(panel));
    EXPECT_FALSE(panel.Command1.mouse_icon());  // start-up hands the cursor on only once
    EXPECT_EQ(GetWindowLongPtrW(panel.Text1.handle(), GWLP_WNDPROC),
              reinterpret_cast<LONG_PTR>(&Module1::MenuGuardProc));
    EXPECT_EQ(SendMessageW(panel.Text1.handle(), WM_CONTEXTMENU, 0, -1), -1);

    // The card keeps its digits and stays hidden.
    EXPECT_EQ(Form1().sz4.caption(), L"4");
    EXPECT_FALSE(Form1().visible());
}

TEST_F(ProgramTest, AClosedPanelLetsGoOfWhatItDrewWith) {
    start();
    ControlPanel& first = Form2();
    // What the panel hands out to draw its controls: the brushes behind them and their fonts.
    const auto brush_for = [&](desktop::Control& control) {
        HDC dc = GetDC(control.handle());
        const auto brush = reinterpret_cast<HGDIOBJ>(SendMessageW(
            first.handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control.handle())));
        ReleaseDC(control.handle(), dc);
        return brush;
    };
    const std::vector<HGDIOBJ> objects = {
        brush_for(first.Label1), brush_for(first.Option1),
        reinterpret_cast<HGDIOBJ>(SendMessageW(first.Text1.handle(), WM_GETFONT, 0, 0)),
        reinterpret_cast<HGDIOBJ>(SendMessageW(first.Check2.handle(), WM_GETFONT, 0, 0))};
    for (const HGDIOBJ object : objects) ASSERT_NE(GetObjectType(object), 0u);

    first.close();  // the closed panel object itself lives on until the next one is loaded
    for (const HGDIOBJ object : objects) EXPECT_EQ(GetObjectType(object), 0u);
}

}  // namespace
