// The watchdog keeps both windows in the normal state at their sizes, waking from its rest
// for each change.
#include "os/twips.h"
#include "program_fixture.h"

namespace {

bool normal_at(const desktop::Form& form, int width, int height) {
    return form.state() == desktop::WindowState::Normal && form.width() == width && form.height() == height;
}

TEST_F(ProgramTest, ArtworkFollowsTheWindowSizeFromTheFirstTick) {
    CardWindow& card_window = card();
    EXPECT_EQ(card_window.artwork_width(), 18000);
    EXPECT_EQ(card_window.artwork_height(), 8250);
    ASSERT_NO_FATAL_FAILURE(start());
    EXPECT_EQ(card_window.artwork_width(), 17985);
    EXPECT_EQ(card_window.artwork_height(), 8220);
}

TEST_F(ProgramTest, MinimisedMaximisedOrResizedWindowsGoBackToNormalAtTheirSizes) {
    ASSERT_NO_FATAL_FAILURE(start());
    const auto watchdog_rests = [this] { return !card().watchdog.due(); };
    const struct {
        const char* what;
        std::function<desktop::Form&()> window;
        std::function<void(desktop::Form&)> disturb;
        int width, height;
    } cases[] = {
        {"panel minimised", [this]() -> desktop::Form& { return panel(); }, [](desktop::Form& f) { ShowWindow(f.handle(), SW_MINIMIZE); }, 4305, 2730},
        {"panel maximised", [this]() -> desktop::Form& { return panel(); }, [](desktop::Form& f) { ShowWindow(f.handle(), SW_MAXIMIZE); }, 4305, 2730},
        {"panel resized", [this]() -> desktop::Form& { return panel(); }, [](desktop::Form& f) { f.set_width(9000); }, 4305, 2730},
        {"card maximised", [this]() -> desktop::Form& { return card(); }, [](desktop::Form& f) { ShowWindow(f.handle(), SW_MAXIMIZE); }, 17985, 8220},
        {"card minimised", [this]() -> desktop::Form& { return card(); }, [](desktop::Form& f) { ShowWindow(f.handle(), SW_MINIMIZE); }, 17985, 8220},
        {"card resized", [this]() -> desktop::Form& { return card(); }, [](desktop::Form& f) { f.set_height(3000); }, 17985, 8220},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(pump_until(watchdog_rests, 1000)) << c.what;
        desktop::Form& window = c.window();
        c.disturb(window);
        ASSERT_FALSE(normal_at(window, c.width, c.height)) << c.what << ": the disturbance did not take";
        EXPECT_TRUE(pump_until([&] { return normal_at(window, c.width, c.height); }, 1000)) << c.what;
    }
    EXPECT_EQ(card().artwork_width(), 17985);
}

TEST_F(ProgramTest, WatchdogRestsWhileNothingChangesAndWakesForAClosedPanel) {
    ASSERT_NO_FATAL_FAILURE(start());
    const auto watchdog_rests = [this] { return !card().watchdog.due(); };
    ASSERT_TRUE(pump_until(watchdog_rests, 1000));
    pump_for(100);
    EXPECT_TRUE(watchdog_rests()) << "a tick that changed nothing woke it again";
    EXPECT_TRUE(card().watchdog.enabled());

    panel().close();
    EXPECT_TRUE(pump_until([this] { return panel_shown(); }, 1000));
}

// A window moved to a monitor of another resolution is laid out for it: the suggested
// rectangle, controls and fonts at the new resolution, the card drawn for it, and the
// watchdog holding the sizes there.
TEST_F(ProgramTest, AWindowMovedToAnotherResolutionIsLaidOutForIt) {
    ASSERT_NO_FATAL_FAILURE(start());
    const auto move_to_144_dpi = [](desktop::Form& form, int width, int height) {
        RECT suggested{100, 100, 100 + width, 100 + height};
        SendMessageW(form.handle(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    };
    ControlPanel& controls = panel();
    move_to_144_dpi(controls, 431, 273);
    EXPECT_EQ(controls.dpi(), 144);
    RECT box;
    GetWindowRect(controls.number_box.handle(), &box);
    EXPECT_EQ(box.right - box.left, os::to_pixels(2175, 144));
    EXPECT_EQ(box.bottom - box.top, os::to_pixels(300, 144));
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HGDIOBJ>(SendMessageW(controls.number_box.handle(), WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_EQ(font.lfHeight, -24) << "12 points at 144 dpi";

    CardWindow& card_window = card();
    const os::PixelRect slot_at_96 = card_window.slot_bounds(1);
    move_to_144_dpi(card_window, 1799, 822);
    EXPECT_EQ(card_window.slot_bounds(1).left, os::to_pixels(5020, 144));
    EXPECT_EQ(card_window.slot_bounds(1).height(), slot_at_96.height() * 3 / 2);
    EXPECT_TRUE(pump_until([&] { return card_window.has_size(17985, 8220) && controls.has_size(4305, 2730); }, 1000));
    RECT outer;
    GetWindowRect(card_window.handle(), &outer);
    EXPECT_EQ(outer.right - outer.left, 1799);
    EXPECT_EQ(outer.bottom - outer.top, 822);
}

}  // namespace
