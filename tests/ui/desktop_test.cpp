// The desktop layer's own promises, where a fault would show only on a bad day: a window
// that cannot be created, a failed write, a caption changed at run time, a timer switched on
// before any window exists.
#include <filesystem>

#include "desktop/application.h"
#include "desktop/controls.h"
#include "desktop/files.h"
#include "desktop/form.h"
#include "desktop/handles.h"
#include "desktop/services.h"
#include "desktop/timer.h"
#include "program_fixture.h"

namespace {

class Probe : public desktop::Form {
public:
    explicit Probe(std::wstring class_name) : desktop::Form(design(std::move(class_name))) {}
    int loads = 0;

private:
    static desktop::FormDesign design(std::wstring class_name) {
        desktop::FormDesign d;
        d.class_name = std::move(class_name);
        d.client_width = 1500;
        d.client_height = 1500;
        return d;
    }
    void on_load() override { ++loads; }
};

TEST(Form, AWindowThatCannotBeCreatedIsNotLoaded) {
    Probe broken(L"");  // no window class can have an empty name
    EXPECT_FALSE(broken.load());
    EXPECT_FALSE(broken.loaded());
    EXPECT_EQ(broken.loads, 0) << "on_load ran for a window that is not there";
    EXPECT_TRUE(desktop::loaded_windows().empty());

    Probe fine(L"Velmora.Test.Probe");
    EXPECT_TRUE(fine.load());
    EXPECT_EQ(fine.loads, 1);
    EXPECT_EQ(desktop::loaded_windows(), std::vector<HWND>{fine.handle()});
}

TEST(Timer, TicksWithoutAnyWindow) {
    int ticks = 0;
    desktop::Timer timer(10, [&] { ++ticks; });
    timer.set_enabled(true);
    EXPECT_TRUE(pump_until([&] { return ticks >= 3; }, 2000));
    timer.set_enabled(false);
    const int stopped_at = ticks;
    pump_until([] { return false; }, 100);
    EXPECT_EQ(ticks, stopped_at) << "a timer switched off ticked on";
}

// The reason given for a failed write is the system's word for what failed, never a stale
// error or "success" picked up after the half-written file was closed and deleted.
TEST(Files, AFailedWriteSaysWhyAndLeavesNothing) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / L"velmora-files-test";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::wstring path = (folder / L"picture.bmp").wstring();
    const std::uint8_t header[4] = {'B', 'M', 0, 0};
    // Memory the process cannot read: the write fails half way, after the file was created.
    const auto* unreadable = reinterpret_cast<const std::uint8_t*>(16);

    const desktop::WriteOutcome outcome = desktop::write_file_replacing(path, {{header, 4}, {unreadable, 4096}});

    EXPECT_FALSE(outcome.written);
    EXPECT_FALSE(outcome.reason.empty());
    SetLastError(ERROR_SUCCESS);
    wchar_t success[256] = L"";
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_SUCCESS, 0, success, 256,
                   nullptr);
    EXPECT_EQ(outcome.reason.find(std::wstring(success).substr(0, 4)), std::wstring::npos)
        << testing::PrintToString(outcome.reason);
    EXPECT_TRUE(std::filesystem::is_empty(folder)) << "something was left behind";
    std::filesystem::remove_all(folder);
}

TEST_F(ProgramTest, AColouredButtonShowsTheTextItIsGiven) {
    start();
    desktop::Button& button = panel().save_button;
    const auto pixels = [&] {
        RedrawWindow(button.handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        RECT r;
        GetClientRect(button.handle(), &r);
        const desktop::WindowDC dc(button.handle());
        std::vector<COLORREF> seen;
        for (int y = 0; y < r.bottom; ++y)
            for (int x = 0; x < r.right; ++x) seen.push_back(GetPixel(dc.get(), x, y));
        return seen;
    };
    const auto as_designed = pixels();
    button.set_text(L"另一个标题");
    EXPECT_NE(pixels(), as_designed) << "the new caption did not show";
    button.set_text(L"保存为图片");
    EXPECT_EQ(pixels(), as_designed);
}

}  // namespace
