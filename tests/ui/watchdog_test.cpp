// The watchdog keeps both windows in the normal state at their sizes, waking from its rest
// for each change.
#include "program_fixture.h"

namespace {

bool normal_at(const desktop::Form& form, int width, int height) {
    return form.state() == desktop::WindowState::Normal && form.width() == width && form.height() == height;
}

TEST_F(ProgramTest, ArtworkFollowsTheWindowSizeFromTheFirstTick) {
    SignWindow& sign = card();
    EXPECT_EQ(sign.artwork_width(), 18000);
    EXPECT_EQ(sign.artwork_height(), 8250);
    ASSERT_NO_FATAL_FAILURE(start());
    EXPECT_EQ(sign.artwork_width(), 17985);
    EXPECT_EQ(sign.artwork_height(), 8220);
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

}  // namespace
