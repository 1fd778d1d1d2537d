// Start-up, the control panel's state at load, its switches and its number box's guard
// against the context menu.
#include "assets/resource.h"
#include "os/twips.h"
#include "program_fixture.h"

namespace {

// Watches for a popup menu of this thread while it lives: one that opens is recorded and
// closed again at once, so a test that opens a menu by mistake fails instead of waiting in
// the menu's loop for ever.
class MenuWatch {
public:
    MenuWatch() : timer_(SetTimer(nullptr, 0, 20, &MenuWatch::check)) { opened() = 0; }
    ~MenuWatch() { KillTimer(nullptr, timer_); }
    int menus_opened() const { return opened(); }

private:
    static int& opened() {
        static int count = 0;
        return count;
    }
    static void CALLBACK check(HWND, UINT, UINT_PTR, DWORD) {
        if (!FindWindowW(L"#32768", nullptr)) return;
        ++opened();
        EndMenu();
    }
    UINT_PTR timer_;
};

// The cursor a control shows when the pointer moves over it.
HCURSOR cursor_over(desktop::Control& control) {
    SetCursor(nullptr);
    SendMessageW(control.handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(control.handle()),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return GetCursor();
}

HCURSOR hand_cursor() {
    return static_cast<HCURSOR>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDC_HAND_POINTER), IMAGE_CURSOR,
                                           0, 0, LR_DEFAULTSIZE | LR_SHARED));
}

TEST_F(ProgramTest, StartUpShowsTheCardAndTheNoticeThenLoadsThePanelHidden) {
    CardWindow& card_window = card();

    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, L"使用前提示");
    EXPECT_EQ(boxes[0].flags, 64u);
    EXPECT_EQ(boxes[0].text, L"保存图片时,主窗体上面不允许有任何软件的遮挡。\r\n否则无法保存成完整的图片!");
    EXPECT_TRUE(card_window.visible());
    EXPECT_EQ(card_window.left(), 0);
    EXPECT_EQ(card_window.top(), 0);
    EXPECT_EQ(card_window.width(), 17985);
    EXPECT_EQ(card_window.height(), 8220);
    EXPECT_TRUE(card_window.watchdog.enabled());
    EXPECT_FALSE(app().save().pending());
    EXPECT_EQ(ends, 0);

    // The panel is loaded and topmost, but only the watchdog shows it.
    ASSERT_TRUE(app().panel_loaded());
    EXPECT_FALSE(panel().visible());
    EXPECT_TRUE(panel().topmost());
}

TEST_F(ProgramTest, StartUpHandsTheHandCursorToSixControlsOnly) {
    ASSERT_NO_FATAL_FAILURE(start());
    ControlPanel& controls = panel();
    const HCURSOR hand = hand_cursor();
    ASSERT_NE(hand, nullptr);
    for (desktop::Control* control : std::initializer_list<desktop::Control*>{
             &controls.exit_button, &controls.save_button, &controls.about_button, &controls.eight_digits,
             &controls.eleven_digits, &controls.hide_card})
        EXPECT_EQ(cursor_over(*control), hand) << testing::PrintToString(control->design().caption);
    for (desktop::Control* control : std::initializer_list<desktop::Control*>{
             &controls.number_box, &controls.keep_on_top, &controls.number_label, &controls.digits_label}) {
        const HCURSOR shown = cursor_over(*control);
        EXPECT_NE(shown, nullptr) << testing::PrintToString(control->design().caption);
        EXPECT_NE(shown, hand) << testing::PrintToString(control->design().caption);
    }
}

TEST_F(ProgramTest, PanelAtLoadHasItsDesignedState) {
    ASSERT_NO_FATAL_FAILURE(start());
    ControlPanel& controls = panel();
    EXPECT_EQ(controls.number_box.text(), L"");
    EXPECT_EQ(controls.number_box.max_length(), 11);
    EXPECT_FALSE(controls.eight_digits.value());
    EXPECT_TRUE(controls.eleven_digits.value());
    EXPECT_EQ(controls.hide_card.value(), 0);
    EXPECT_EQ(controls.keep_on_top.value(), 1);
    EXPECT_FALSE(controls.keep_on_top.enabled());
    EXPECT_TRUE(controls.save_button.enabled());
    EXPECT_EQ(GetFocus(), controls.number_box.handle());

    // Centred on the screen when first shown (the watchdog may then adjust the outer height
    // by a few pixels where the platform's caption is not 23 pixels high); client area
    // 4215 twips wide.
    RECT outer, client;
    GetWindowRect(controls.handle(), &outer);
    GetClientRect(controls.handle(), &client);
    EXPECT_NEAR((outer.left + outer.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_NEAR((outer.top + outer.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 4);
    EXPECT_EQ(client.right, os::to_pixels(4215));
    EXPECT_EQ(GetWindowLongW(controls.handle(), GWL_STYLE) & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0);
    wchar_t title[256];
    GetWindowTextW(controls.handle(), title, 256);
    EXPECT_EQ(std::wstring(title).rfind(L"控制面板 ", 0), 0u) << testing::PrintToString(std::wstring(title));
}

TEST_F(ProgramTest, HideSwitchHidesTheCardAndDisablesSaving) {
    ASSERT_NO_FATAL_FAILURE(start());
    ControlPanel& controls = panel();
    click(controls.hide_card);
    EXPECT_FALSE(card().visible());
    EXPECT_FALSE(controls.save_button.enabled());
    ASSERT_TRUE(pump_until([this] { return !card().watchdog.due(); }, 1000));  // it has looked, and rests
    EXPECT_FALSE(card().visible());
    EXPECT_TRUE(controls.visible());

    click(controls.hide_card);
    EXPECT_TRUE(card().visible());
    EXPECT_TRUE(controls.save_button.enabled());
}

TEST_F(ProgramTest, AboutBoxHasFiveLinesAndChangesNothing) {
    ASSERT_NO_FATAL_FAILURE(start());
    click(panel().about_button);
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
    EXPECT_TRUE(panel().visible());
    EXPECT_EQ(ends, 0);
}

TEST_F(ProgramTest, ExitButtonEndsAtOnceWithoutUnloading) {
    ASSERT_NO_FATAL_FAILURE(start());
    click(panel().exit_button);
    EXPECT_EQ(ends, 1);
    EXPECT_TRUE(app().panel_loaded());  // no unload procedure ran
    EXPECT_EQ(boxes.size(), 1u);        // no question asked
}

// Every way of asking for the number box's context menu is swallowed; everything else
// reaches the box as usual.
TEST_F(ProgramTest, NumberBoxOpensNoContextMenu) {
    ASSERT_NO_FATAL_FAILURE(start());
    const HWND box = panel().number_box.handle();
    const MenuWatch watch;
    EXPECT_EQ(SendMessageW(box, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(box), MAKELPARAM(-1, -1)), -1);
    EXPECT_EQ(SendMessageW(box, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(box), MAKELPARAM(600, 500)), -1);
    SendMessageW(box, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
    SendMessageW(box, WM_RBUTTONUP, 0, MAKELPARAM(5, 5));  // the default handling asks for the menu
    SendMessageW(box, WM_KEYDOWN, VK_APPS, 1);
    SendMessageW(box, WM_KEYUP, VK_APPS, 0xC0000001);  // so does the menu key's release
    pump_for(100);
    EXPECT_EQ(watch.menus_opened(), 0);

    SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"123"));
    EXPECT_EQ(panel().number_box.text(), L"123");
    SendMessageW(box, EM_SETSEL, 1, 3);
    EXPECT_EQ(panel().number_box.selection(), std::make_pair(1, 3));
    type(L"9");
    EXPECT_EQ(panel().number_box.text(), L"19");
    EXPECT_EQ(card().slot_caption(2), L"9");  // the change notification still arrives
}

TEST_F(ProgramTest, ClosedPanelComesBackInItsLoadStateAndGuarded) {
    ASSERT_NO_FATAL_FAILURE(start());
    ControlPanel* first = &panel();
    type(L"138");
    click(first->eight_digits);
    type(L"1234");
    click(first->hide_card);
    first->close();
    EXPECT_FALSE(app().panel_loaded());

    ASSERT_TRUE(pump_until([this] { return panel_shown(); }));
    ControlPanel& controls = panel();
    EXPECT_NE(&controls, first);
    EXPECT_EQ(controls.number_box.text(), L"");
    EXPECT_EQ(controls.number_box.max_length(), 11);
    EXPECT_TRUE(controls.eleven_digits.value());
    EXPECT_EQ(controls.hide_card.value(), 0);
    EXPECT_TRUE(controls.save_button.enabled());
    EXPECT_TRUE(controls.topmost());
    EXPECT_NE(cursor_over(controls.exit_button), hand_cursor());  // start-up hands the cursor on only once
    const MenuWatch watch;
    EXPECT_EQ(SendMessageW(controls.number_box.handle(), WM_CONTEXTMENU, 0, -1), -1);
    pump_for(50);
    EXPECT_EQ(watch.menus_opened(), 0);

    // The card keeps its digits and stays hidden.
    EXPECT_EQ(card().slot_caption(4), L"4");
    EXPECT_FALSE(card().visible());
}

TEST_F(ProgramTest, AClosedPanelLetsGoOfWhatItDrewWith) {
    ASSERT_NO_FATAL_FAILURE(start());
    ControlPanel& first = panel();
    // What the panel hands out to draw its controls: the brushes behind them and their fonts.
    const auto brush_for = [&](desktop::Control& control) {
        HDC dc = GetDC(control.handle());
        const auto brush = reinterpret_cast<HGDIOBJ>(SendMessageW(
            first.handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control.handle())));
        ReleaseDC(control.handle(), dc);
        return brush;
    };
    const std::vector<HGDIOBJ> objects = {
        brush_for(first.number_label), brush_for(first.eight_digits),
        reinterpret_cast<HGDIOBJ>(SendMessageW(first.number_box.handle(), WM_GETFONT, 0, 0)),
        reinterpret_cast<HGDIOBJ>(SendMessageW(first.keep_on_top.handle(), WM_GETFONT, 0, 0))};
    for (const HGDIOBJ object : objects) ASSERT_NE(GetObjectType(object), 0u);

    first.close();  // the closed panel object itself lives on until the next one is loaded
    for (const HGDIOBJ object : objects) EXPECT_EQ(GetObjectType(object), 0u);
}

}  // namespace

namespace {

// The manifest linked into the program names no processor that another build of it is not
// for: a 64-bit program whose manifest says x86 is bound to the 32-bit common controls.
TEST(Manifest, NamesNoProcessorOtherThanTheProgramsOwn) {
    const HMODULE module = GetModuleHandleW(nullptr);
    const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
    ASSERT_NE(found, nullptr);
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(module, found)));
    const std::string manifest(bytes, SizeofResource(module, found));
    const std::string attribute = "processorArchitecture=\"";
    const std::string own = sizeof(void*) == 8 ? "amd64" : "x86";
    int named = 0;
    for (auto at = manifest.find(attribute); at != std::string::npos; at = manifest.find(attribute, at + 1), ++named) {
        const auto start = at + attribute.size();
        const std::string processor = manifest.substr(start, manifest.find('"', start) - start);
        EXPECT_TRUE(processor == "*" || processor == own) << processor;
    }
    EXPECT_EQ(named, 2) << "the program and the common controls each say which processor";
}

}  // namespace
