// The promises of the window runtime and the system services, where a fault would show only
// on a bad day: a window that cannot be created, a failed write, a caption changed at run
// time, a timer switched on before any window exists.
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/velmora.h"
#include "desktop/application.h"
#include "desktop/controls.h"
#include "desktop/form.h"
#include "desktop/message_box.h"
#include "desktop/timer.h"
#include "os/errors.h"
#include "os/files.h"
#include "os/handles.h"
#include "os/single_instance.h"
#include "os/system_library.h"
#include "program_fixture.h"

namespace {

const std::wstring kPrefix = velmora_identity().temporary_prefix;  // of our temporary files

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

    const os::WriteOutcome outcome = os::write_file_replacing(path, {{header, 4}, {unreadable, 4096}}, kPrefix);

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

    const os::WriteOutcome outcome = os::write_file_replacing(path, {{bytes.data(), bytes.size()}}, kPrefix);

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

// "." and ".." in a long path are resolved as in a short one: the extended form that long
// paths need would take them literally.
TEST(Files, DotsInALongPathAreResolved) {
    const std::wstring base = std::filesystem::temp_directory_path().wstring() + L"velmora-dots";
    const std::wstring deep = base + L"\\" + std::wstring(70, L'深'), deeper = deep + L"\\" + std::wstring(70, L'浅');
    for (const auto& folder : {base, deep, deeper}) CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr);
    const std::wstring path = deeper + L"\\.\\..\\" + std::wstring(70, L'浅') + L"\\..\\card.bmp";
    ASSERT_GE(path.size(), 228u);
    const std::uint8_t bytes[] = {'B', 'M'};

    const os::WriteOutcome outcome = os::write_file_replacing(path, {{bytes, sizeof bytes}}, kPrefix);

    EXPECT_TRUE(outcome.written) << testing::PrintToString(outcome.reason);
    const std::wstring written = L"\\\\?\\" + deep + L"\\card.bmp";
    EXPECT_NE(GetFileAttributesW(written.c_str()), INVALID_FILE_ATTRIBUTES) << "not written where the path leads";
    DeleteFileW(written.c_str());
    for (const auto& folder : {deeper, deep, base}) RemoveDirectoryW((L"\\\\?\\" + folder).c_str());
}

// "C:card.png" names a file in drive C's own current folder, which need not be the process's
// current folder nor even on the same file system: the temporary file is made beside the
// final one all the same, so the last step is a rename within one folder.
TEST(Files, ADriveRelativePathWritesBesideItsTarget) {
    const std::filesystem::path target = std::filesystem::temp_directory_path() / L"velmora-drive-relative";
    std::filesystem::remove_all(target);
    std::filesystem::create_directories(target);
    ASSERT_EQ(target.wstring().substr(0, 2), L"C:");
    // Another file system where the system has one (/dev/shm is memory under Wine), else another folder.
    const std::filesystem::path elsewhere =
        std::filesystem::exists(L"Z:\\dev\\shm") ? std::filesystem::path(L"Z:\\dev\\shm\\velmora-current")
                                                   : std::filesystem::temp_directory_path() / L"velmora-current";
    std::filesystem::create_directories(elsewhere);
    // A temporary file that a writer which died left beside the target is cleared away by the next one.
    const std::filesystem::path stale = target / (kPrefix + L"0badf00d.tmp");
    { std::ofstream(stale) << "stale"; }
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(elsewhere.c_str()));
    ASSERT_TRUE(SetEnvironmentVariableW(L"=C:", target.c_str()));
    const std::uint8_t bytes[] = {'B', 'M'};

    const os::WriteOutcome outcome = os::write_file_replacing(L"C:card.bmp", {{bytes, sizeof bytes}}, kPrefix);

    SetCurrentDirectoryW(previous);
    SetEnvironmentVariableW(L"=C:", nullptr);
    EXPECT_TRUE(outcome.written) << testing::PrintToString(outcome.reason);
    EXPECT_TRUE(std::filesystem::exists(target / L"card.bmp"));
    EXPECT_FALSE(std::filesystem::exists(stale)) << "the temporary file was not made in the target's folder";
    EXPECT_TRUE(std::filesystem::is_empty(elsewhere)) << "something was left in the current folder";
    std::filesystem::remove_all(target);
    std::filesystem::remove_all(elsewhere);
}

TEST(Files, OurTemporaryNamesAreRecognisedAndNothingElse) {
    const std::wstring prefix = L"velmora-unfinished-";
    for (const wchar_t* name : {L"velmora-unfinished-0a1b2c3d.tmp", L"velmora-unfinished-FFFFFFFF.tmp"})
        EXPECT_TRUE(os::is_temporary_name(name, prefix)) << testing::PrintToString(std::wstring(name));
    for (const wchar_t* name : {L"velmora-unfinished-0a1b2c3.tmp", L"velmora-unfinished-0a1b2c3dd.tmp",
                                L"velmora-unfinished-0a1b2c3g.tmp", L"velmora-unfinished-0a1b2c3d.bmp",
                                L"xvelmora-unfinished-0a1b2c3d.tmp", L"保存的临时停车牌_13800138000.bmp", L""})
        EXPECT_FALSE(os::is_temporary_name(name, prefix)) << testing::PrintToString(std::wstring(name));
    EXPECT_FALSE(os::is_temporary_name(L"0a1b2c3d.tmp", L"")) << "without a prefix nothing is ours";
}

// A copy started by another user or as administrator may make the single-instance mutex so
// that this one cannot open it: that copy runs all the same, and this one must not start.
TEST(SingleInstance, AMutexThatCannotBeOpenedMeansAnotherCopyRuns) {
    const std::wstring name = L"Local\\Velmora.Test.SingleInstance." + std::to_wstring(GetCurrentProcessId());
    ACL nobody;  // a list that grants nothing to anyone
    ASSERT_TRUE(InitializeAcl(&nobody, sizeof nobody, ACL_REVISION));
    SECURITY_DESCRIPTOR descriptor;
    ASSERT_TRUE(InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(SetSecurityDescriptorDacl(&descriptor, TRUE, &nobody, FALSE));
    SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, FALSE};
    const os::KernelHandle theirs(CreateMutexW(&attributes, FALSE, name.c_str()));
    ASSERT_TRUE(theirs);
    os::KernelHandle ours;
    ASSERT_EQ(CreateMutexW(nullptr, FALSE, name.c_str()), nullptr) << "the system let us open it after all";
    ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

    EXPECT_TRUE(os::claim_single_instance(name, ours));

    const std::wstring free_name = name + L".free";
    os::KernelHandle first, second;
    EXPECT_FALSE(os::claim_single_instance(free_name, first)) << "the first copy is not alone";
    EXPECT_TRUE(first);
    EXPECT_TRUE(os::claim_single_instance(free_name, second));
}

// The card asks again each time it loads: its own copy must not count as another one.
TEST(SingleInstance, TheFirstAnswerStands) {
    const std::wstring name = L"Local\\Velmora.Test.FirstAnswer." + std::to_wstring(GetCurrentProcessId());
    os::SingleInstance first(name), second(name);
    EXPECT_FALSE(first.another_copy_runs());
    EXPECT_TRUE(second.another_copy_runs());
    EXPECT_FALSE(first.another_copy_runs()) << "the copy that runs found itself";
}

// A call that fails without setting an error leaves code 0, whose system text is a success
// message ("操作成功完成"): a failure message must never read so.
TEST(Errors, ACodeOfZeroIsSaidInWordsNeverAsSuccess) {
    wchar_t success[256] = L"";
    ASSERT_GT(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_SUCCESS, 0,
                             success, 256, nullptr), 0u);
    const std::wstring success_start = std::wstring(success).substr(0, 4);
    for (const std::wstring& reason : {os::system_reason(ERROR_SUCCESS), os::com_reason(S_OK)}) {
        EXPECT_EQ(reason.find(success_start), std::wstring::npos) << testing::PrintToString(reason);
        EXPECT_NE(reason.find(L"没有说明原因"), std::wstring::npos) << testing::PrintToString(reason);
    }
    EXPECT_EQ(os::system_reason(ERROR_ACCESS_DENIED).find(L"没有说明原因"), std::wstring::npos);
}

// The search flag for the system folder fails the whole load where the system does not know it
// (Windows 7 without KB2533623): there the library is named by its full path in the system folder.
TEST(SystemLibraries, LoadFromTheSystemFolderWithOrWithoutTheSearchFlag) {
    const struct {
        bool search_flags_known;
        const wchar_t* system_folder;
        const wchar_t* path;
        DWORD flags;
    } cases[] = {
        {true, L"C:\\Windows\\system32", L"ole32.dll", LOAD_LIBRARY_SEARCH_SYSTEM32},
        {false, L"C:\\Windows\\system32", L"C:\\Windows\\system32\\ole32.dll", LOAD_WITH_ALTERED_SEARCH_PATH},
        {false, L"C:\\", L"C:\\ole32.dll", LOAD_WITH_ALTERED_SEARCH_PATH},
        {false, L"", L"", 0},  // no system folder known: nothing is loaded from anywhere else
    };
    for (const auto& c : cases) {
        const os::LibraryLoad load = os::system_library_load(L"ole32.dll", c.search_flags_known, c.system_folder);
        EXPECT_EQ(load.path, c.path) << testing::PrintToString(std::wstring(c.system_folder));
        EXPECT_EQ(load.flags, c.flags) << testing::PrintToString(std::wstring(c.system_folder));
    }

    // Both ways load the real library here.
    wchar_t folder[MAX_PATH];
    ASSERT_GT(GetSystemDirectoryW(folder, MAX_PATH), 0u);
    for (const bool flags_known : {true, false}) {
        const os::LibraryLoad load = os::system_library_load(L"comdlg32.dll", flags_known, folder);
        const HMODULE module = LoadLibraryExW(load.path.c_str(), nullptr, load.flags);
        EXPECT_NE(module, nullptr) << testing::PrintToString(load.path);
        if (module) FreeLibrary(module);
    }
}

TEST_F(ProgramTest, AColouredButtonShowsTheTextItIsGiven) {
    ASSERT_NO_FATAL_FAILURE(start());
    desktop::Button& button = panel().save_button;
    const auto pixels = [&] {
        RedrawWindow(button.handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        RECT r;
        GetClientRect(button.handle(), &r);
        const os::WindowDC dc(button.handle());
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
