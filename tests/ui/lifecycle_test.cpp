// The program's life on bad days: a close request from outside while a dialog is open, an
// artwork band that cannot be decoded, a failure thrown inside a handler the system called,
// COM on threads of their own, ending the program, and events queued while a save runs.
#include <filesystem>
#include <fstream>
#include <new>
#include <stdexcept>
#include <thread>

#include <wincodec.h>

#include "assets/resource.h"
#include "card/card_picture.h"
#include "desktop/file_dialog.h"
#include "desktop/form.h"
#include "desktop/print_dialog.h"
#include "desktop/timer.h"
#include "export/save_path.h"
#include "os/com.h"
#include "os/failure.h"
#include "os/handles.h"
#include "os/imaging.h"
#include "os/printing.h"
#include "program_fixture.h"

namespace {

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring scratch_path(const wchar_t* name) {
    return (std::filesystem::temp_directory_path() / name).wstring();
}

// Every dialog seam answers "cancelled" unless a case says otherwise; the print dialog's
// and the save dialog's seams are restored after each test.
class LifecycleTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        desktop::answer_save_dialogs_with([this](const desktop::SaveDialogRequest& request) {
            if (while_dialog_open) while_dialog_open();
            return save_answer ? save_answer(request) : std::nullopt;
        });
        desktop::answer_print_dialogs_with([this](const os::PrintChoice& proposed) -> std::optional<os::PrintChoice> {
            if (while_dialog_open) while_dialog_open();
            if (print_accepted) return proposed;
            return std::nullopt;
        });
    }
    void TearDown() override {
        desktop::answer_save_dialogs_with({});
        desktop::answer_print_dialogs_with({});
        os::replace_png_decoder_for_tests({});
        ProgramTest::TearDown();
    }

    // What a task manager's close request does: WM_CLOSE posted to every top-level window of
    // the program; the open dialog's own loop then lets them run.
    void post_close_to_every_window() {
        for (const HWND window : desktop::loaded_windows()) PostMessageW(window, WM_CLOSE, 0, 0);
        pump_for(100);
    }

    std::function<void()> while_dialog_open;
    std::function<std::optional<desktop::SaveDialogAnswer>(const desktop::SaveDialogRequest&)> save_answer;
    bool print_accepted = false;
};

// --- A close request while a dialog of ours is open ------------------------------------------

// The dialog's caller still needs the windows: the request is refused while the dialog is
// open, and the program goes on with both windows on screen. (Before, the panel went, came
// back hidden when the command ended, and the card went: a process with no window.)
TEST_F(LifecycleTest, ACloseRequestWhileADialogIsOpenLeavesTheWindowsOnScreen) {
    ASSERT_NO_FATAL_FAILURE(start());
    type(L"13800138000");
    const struct {
        const char* what;
        std::function<void(LifecycleTest&)> open;
    } cases[] = {
        {"print dialog", [](LifecycleTest& t) { t.app().run(Velmora::kPrint); }},
        {"print dialog from the card's menu",
         [](LifecycleTest& t) { SendMessageW(t.card().handle(), WM_SYSCOMMAND, Velmora::kPrint, 0); }},
        {"Save As", [](LifecycleTest& t) { t.app().run(Velmora::kSaveAs); }},
        {"a message box", [](LifecycleTest& t) { t.click(t.panel().about_button); }},
        {"the save's confirmation",
         [](LifecycleTest& t) {
             t.answers.push_back(desktop::kAnswerYes);  // yes, the number is wrong: nothing is saved
             t.click(t.panel().save_button);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        bool asked = false;
        while_dialog_open = [&] {
            asked = true;
            post_close_to_every_window();
        };
        while_box_open = [&](const desktop::MessageBoxRequest& request) {
            if (request.title == L"关于程序" || request.title == L"号码确认") while_dialog_open();
        };
        const std::size_t boxes_before = boxes.size();
        c.open(*this);
        while_dialog_open = nullptr;
        while_box_open = nullptr;
        ASSERT_TRUE(asked) << "the dialog was not reached";
        pump_for(100);
        ASSERT_TRUE(app().card_loaded());
        ASSERT_TRUE(app().panel_loaded());
        EXPECT_TRUE(card().visible());
        EXPECT_TRUE(panel().visible());
        EXPECT_TRUE(IsWindowEnabled(panel().handle()));
        for (std::size_t i = boxes_before; i < boxes.size(); ++i)
            EXPECT_NE(boxes[i].title, L"保存失败") << testing::PrintToString(boxes[i].text);
    }
    // Once no dialog is open, a close request is carried out as always.
    card().close();
    EXPECT_FALSE(app().card_loaded());
}

// --- An artwork band that cannot be decoded --------------------------------------------------

// Whatever draws the card from its 3x artwork, a band that cannot be decoded (or whose
// decoding thread ran out of memory) is a failure the user reads, never a picture with a
// band missing.
TEST_F(LifecycleTest, ABandThatCannotBeDecodedIsAFailureNeverAPicture) {
    ASSERT_NO_FATAL_FAILURE(start());
    type(L"13800138000");
    const std::wstring out = scratch_path(L"velmora-band-test.png");
    DeleteFileW(out.c_str());
    save_answer = [&](const desktop::SaveDialogRequest&) {
        return std::optional<desktop::SaveDialogAnswer>({out, 0, {0, 0}});  // PNG, print quality
    };
    print_accepted = true;
    const struct {
        const char* how;
        int band;  // from 0: the first is decoded on the asking thread, the others ahead on a thread of their own
        bool out_of_memory;
        const wchar_t* says;
    } failures[] = {
        {"the first band", 0, false, L"第 1 段无法解码"},
        {"a band decoded ahead", 3, false, L"第 4 段无法解码"},
        {"a band whose decoding thread ran out of memory", 5, true, L"内存不足"},
    };
    for (const auto& failure : failures) {
        SCOPED_TRACE(failure.how);
        os::replace_png_decoder_for_tests([&failure](int resource) {
            if (resource != IDR_CARD_3X_FIRST_BAND + failure.band) return os::decode_png_resource(resource);
            if (failure.out_of_memory) throw std::bad_alloc();
            return os::Picture();
        });

        app().run(Velmora::kSaveAs);
        EXPECT_EQ(boxes.back().title, L"保存失败");
        EXPECT_NE(boxes.back().text.find(failure.says), std::wstring::npos) << testing::PrintToString(boxes.back().text);
        EXPECT_FALSE(exists(out)) << "a picture was written";

        answers.push_back(desktop::kAnswerOk);  // the size note, when the paper is too small
        app().run(Velmora::kPrint);
        answers.clear();
        EXPECT_EQ(boxes.back().title, L"打印失败");
        EXPECT_NE(boxes.back().text.find(failure.says), std::wstring::npos) << testing::PrintToString(boxes.back().text);

        CommandLine command = parse_command_line({L"--number", L"13800138000", L"--out", out});
        EXPECT_EQ(run_command_line(command, velmora_card_drawing(false)), 1);
        EXPECT_FALSE(exists(out)) << "a picture was written";

        // The card at a scale shrunk from the 3x artwork, as a window at 150 % draws it.
        EXPECT_THROW(CardPicture(1.5, L"13800138000"), os::Failure);
        EXPECT_TRUE(panel().visible());
    }
}

// --- No exception crosses an entry point from the system -------------------------------------

// A failure thrown inside a handler that the system called is reported, owned by the
// foremost window, and the program carries on: the window procedure, the timer callback.
TEST_F(LifecycleTest, AFailureThrownInAHandlerIsReportedAndTheProgramCarriesOn) {
    ASSERT_NO_FATAL_FAILURE(start());
    type(L"13800138000");

    // A menu command, through the panel's window procedure.
    save_answer = [](const desktop::SaveDialogRequest&) -> std::optional<desktop::SaveDialogAnswer> {
        throw std::bad_alloc();
    };
    SendMessageW(panel().handle(), WM_SYSCOMMAND, Velmora::kSaveAs, 0);
    ASSERT_EQ(boxes.back().title, L"程序错误");
    EXPECT_NE(boxes.back().text.find(L"内存不足"), std::wstring::npos);
    EXPECT_EQ(boxes.back().owner, panel().handle());
    EXPECT_TRUE(IsWindowEnabled(panel().handle())) << "the dialog's guard was not let go";
    EXPECT_TRUE(IsWindowEnabled(card().handle()));

    // A timer's tick.
    int ticks = 0;
    desktop::Timer failing(10, [&] {
        ++ticks;
        throw std::runtime_error("tick failed");
    });
    const std::size_t boxes_before = boxes.size();
    failing.set_enabled(true);
    EXPECT_TRUE(pump_until([&] { return ticks >= 2; }, 2000)) << "the timer stopped ticking";
    failing.set_enabled(false);
    ASSERT_GT(boxes.size(), boxes_before);
    EXPECT_EQ(boxes.back().title, L"程序错误");
    EXPECT_NE(boxes.back().text.find(L"tick failed"), std::wstring::npos);

    // The card moved to a screen of another resolution, where it cannot be drawn: said, and
    // the card stays, drawn as before.
    os::replace_png_decoder_for_tests([](int) { return os::Picture(); });
    RECT suggested;
    GetWindowRect(card().handle(), &suggested);
    SendMessageW(card().handle(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    os::replace_png_decoder_for_tests({});
    EXPECT_EQ(boxes.back().title, L"程序错误");
    EXPECT_NE(boxes.back().text.find(L"无法解码"), std::wstring::npos) << testing::PrintToString(boxes.back().text);
    EXPECT_TRUE(card().visible());

    // The program goes on as before.
    save_answer = nullptr;
    click(panel().about_button);
    EXPECT_EQ(boxes.back().title, L"关于程序");
    EXPECT_TRUE(panel().visible());
    EXPECT_EQ(panel().number(), L"13800138000");
}

// --- COM on threads of their own; ending the program ------------------------------------------

// A thread joins COM itself or not at all: one that has not joined is refused, and its
// asking first decides nothing for the user-interface thread (still in its single-threaded
// apartment, joined at the start).
TEST(Com, AThreadThatHasNotJoinedIsRefusedAndDecidesNothingForAnother) {
    bool ready_on_worker = true;
    HRESULT created_on_worker = S_OK;
    std::thread worker([&] {
        ready_on_worker = os::com_ready();
        os::ComPtr<IUnknown> made;
        created_on_worker = os::create_instance(CLSID_WICImagingFactory, IID_IUnknown, made.put_void());
    });
    worker.join();
    EXPECT_FALSE(ready_on_worker);
    EXPECT_EQ(created_on_worker, CO_E_NOTINITIALIZED);

    EXPECT_TRUE(os::com_ready());
    const HRESULT joined_again = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    EXPECT_EQ(joined_again, RPC_E_CHANGED_MODE) << "the user-interface thread is not in its single-threaded apartment";
    if (SUCCEEDED(joined_again)) CoUninitialize();
}

class Bystander : public desktop::Form {
public:
    Bystander() : desktop::Form(design()) {}

private:
    static desktop::FormDesign design() {
        desktop::FormDesign d;
        d.class_name = L"Velmora.Test.Bystander";
        d.client_width = 1500;
        d.client_height = 1500;
        return d;
    }
};

// Ending the program stops its event loop at once and lets run() return, so what the
// program owns is let go in order (threads joined) before the process ends: no event still
// queued is handled, and the process is not ended under anyone's feet. Run in a process of
// its own (see the test below), which leaves a mark when run() has returned.
TEST(Ending, DISABLED_EndStopsTheEventLoopAndRunReturns) {
    Bystander window;
    const int exit_code = desktop::run([&] {
        window.load();
        PostMessageW(window.handle(), WM_CLOSE, 0, 0);  // queued: must not be handled any more
        desktop::end();
    });
    ASSERT_EQ(exit_code, 0);
    ASSERT_TRUE(window.loaded()) << "an event queued before the end was handled";
    // The loop is left as it was found: events run again.
    PostMessageW(window.handle(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(pump_until([&] { return !window.loaded(); }, 1000));
    std::ofstream(std::filesystem::path(scratch_path(L"velmora-ending-test.mark"))) << "run() returned";
}

TEST(Ending, TheProgramEndsThroughItsEventLoop) {
    const std::wstring mark = scratch_path(L"velmora-ending-test.mark");
    DeleteFileW(mark.c_str());
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) +
                           L"\" --gtest_also_run_disabled_tests --gtest_filter=Ending.DISABLED_EndStopsTheEventLoopAndRunReturns";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    const os::KernelHandle process_handle(process.hProcess), thread_handle(process.hThread);
    ASSERT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0) << "the child did not end";
    DWORD exit_code = 1;
    GetExitCodeProcess(process.hProcess, &exit_code);
    EXPECT_EQ(exit_code, 0u);
    EXPECT_TRUE(exists(mark)) << "the process ended before run() returned";
    DeleteFileW(mark.c_str());
}

// --- Events queued while a save runs ----------------------------------------------------------

// The save draws in memory and runs no events meanwhile: a command queued when the save's
// tick comes (a right-click's Save As, say) runs after the save has ended, not inside it.
TEST_F(LifecycleTest, ACommandQueuedWhenTheSaveTicksWaitsUntilTheSaveIsOver) {
    ASSERT_NO_FATAL_FAILURE(start());
    bool asked_during_the_save = false;
    int asked = 0;
    save_answer = [&](const desktop::SaveDialogRequest&) -> std::optional<desktop::SaveDialogAnswer> {
        ++asked;
        asked_during_the_save = app().save().pending();
        return std::nullopt;
    };
    const std::wstring saved = *saved_picture_path(os::executable_directory(), L"55");
    type(L"55");
    answers.push_back(desktop::kAnswerNo);
    click(panel().save_button);
    ASSERT_TRUE(app().save().pending());

    PostMessageW(panel().handle(), WM_SYSCOMMAND, Velmora::kSaveAs, 0);
    // Only timer ticks run until the save's own has come: the command stays queued meanwhile.
    const unsigned long ticks = app().save().timer().ticks();
    const DWORD until = GetTickCount() + 3000;
    MSG message;
    while (app().save().timer().ticks() == ticks && static_cast<int>(until - GetTickCount()) > 0) {
        if (PeekMessageW(&message, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE))
            DispatchMessageW(&message);
        else
            Sleep(2);
    }
    ASSERT_FALSE(app().save().pending()) << "the save did not run";
    EXPECT_EQ(boxes.back().title, L"保存提示");
    EXPECT_TRUE(pump_until([&] { return asked == 1; }, 2000)) << "the queued command was lost";
    EXPECT_FALSE(asked_during_the_save) << "Save As ran in the middle of the save";
    DeleteFileW(saved.c_str());
}

}  // namespace
