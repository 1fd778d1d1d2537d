// The desktop layer's own promises, where a fault would show only on a bad day: a window
// that cannot be created, a failed write, a caption changed at run time, a timer switched on
// before any window exists.
#include <filesystem>
#include <iterator>

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

// Folders deeper than the classic path limit hold pictures too, written through a temporary
// file of the program's own name and then renamed. (The test looks with the system's own
// calls in their extended form: the C++ library's directory listing does not reach so deep.)
TEST(Files, LongFolderPathsWork) {
    const std::wstring base = std::filesystem::temp_directory_path().wstring() + L"velmora-long";
    std::vector<std::wstring> folders{L"\\\\?\\" + base};
    while (folders.back().size() < 300) folders.push_back(folders.back() + L"\\" + std::wstring(60, L'深'));
    for (const auto& folder : folders) CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring folder = folders.back().substr(4);  // as the program would name it
    const std::wstring path = folder + L"\\保存的临时停车牌_13800138000.bmp";
    ASSERT_GT(path.size(), 300u);
    const std::vector<std::uint8_t> bytes(100'000, 0x5A);

    const desktop::WriteOutcome outcome = desktop::write_file_replacing(path, {{bytes.data(), bytes.size()}});

    EXPECT_TRUE(outcome.written) << testing::PrintToString(outcome.reason);
    std::vector<std::wstring> names;
    std::size_t size = 0;
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((folders.back() + L"\\*").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    do {
        if (found.cFileName[0] == L'.') continue;
        names.push_back(found.cFileName);
        size = found.nFileSizeLow;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    EXPECT_EQ(names, std::vector<std::wstring>{L"保存的临时停车牌_13800138000.bmp"}) << "a temporary file was left";
    EXPECT_EQ(size, bytes.size());

    DeleteFileW((folders.back() + L"\\保存的临时停车牌_13800138000.bmp").c_str());
    for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder) RemoveDirectoryW(folder->c_str());
}

TEST(Files, OurTemporaryNamesAreRecognisedAndNothingElse) {
    const std::wstring prefix = L"velmora-unfinished-";
    for (const wchar_t* name : {L"velmora-unfinished-0a1b2c3d.tmp", L"velmora-unfinished-FFFFFFFF.tmp"})
        EXPECT_TRUE(desktop::is_temporary_name(name, prefix)) << testing::PrintToString(std::wstring(name));
    for (const wchar_t* name : {L"velmora-unfinished-0a1b2c3.tmp", L"velmora-unfinished-0a1b2c3dd.tmp",
                                L"velmora-unfinished-0a1b2c3g.tmp", L"velmora-unfinished-0a1b2c3d.bmp",
                                L"xvelmora-unfinished-0a1b2c3d.tmp", L"保存的临时停车牌_13800138000.bmp", L""})
        EXPECT_FALSE(desktop::is_temporary_name(name, prefix)) << testing::PrintToString(std::wstring(name));
    EXPECT_FALSE(desktop::is_temporary_name(L"0a1b2c3d.tmp", L"")) << "without a prefix nothing is ours";
}

TEST_F(ProgramTest, AColouredButtonShowsTheTextItIsGiven) {
    ASSERT_NO_FATAL_FAILURE(start());
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
