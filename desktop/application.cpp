#include "desktop/application.h"

#include <algorithm>
#include <cstdlib>

#include "os/failure.h"
#include "os/trace.h"

namespace desktop {
namespace {

struct Loaded {
    HWND window;
    bool takes_dialog_keys;
};

std::vector<Loaded>& windows() {
    static std::vector<Loaded> loaded;
    return loaded;
}

bool& event_loop_running() {
    static bool running = false;
    return running;
}

bool& quitting() {
    static bool asked = false;
    return asked;
}

bool is_within(HWND outer, HWND window) { return window && (window == outer || IsChild(outer, window)); }

std::function<void()>& end_replacement() {
    static std::function<void()> replacement;
    return replacement;
}

std::vector<std::pair<Shortcut, std::function<void()>>>& shortcuts() {
    static std::vector<std::pair<Shortcut, std::function<void()>>> registered;
    return registered;
}

bool belongs_to_program(HWND window) {
    for (const Loaded& loaded : windows())
        if (is_within(loaded.window, window)) return true;
    return false;
}

bool dispatch_shortcut(const MSG& message) {
    if (message.message != WM_KEYDOWN || !belongs_to_program(message.hwnd)) return false;
    if (GetKeyState(VK_CONTROL) >= 0 || GetKeyState(VK_MENU) < 0) return false;
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    for (const auto& [shortcut, command] : shortcuts())
        if (shortcut.key == message.wParam && shortcut.shift == shift) {
            const auto run = command;  // the command may change the list
            os::at_boundary("shortcut", run);
            return true;
        }
    return false;
}

// Tab and the arrow keys move between a window's controls, as in a dialog.
bool dispatch_dialog_keys(MSG& message) {
    for (const Loaded& loaded : windows())
        if (loaded.takes_dialog_keys && is_within(loaded.window, message.hwnd) &&
            IsDialogMessageW(loaded.window, &message))
            return true;
    return false;
}

void dispatch(MSG& message) {
    if (dispatch_shortcut(message) || dispatch_dialog_keys(message)) return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

}  // namespace

void window_loaded(HWND window, bool takes_dialog_keys) { windows().push_back({window, takes_dialog_keys}); }

void window_gone(HWND window) {
    auto& loaded = windows();
    loaded.erase(std::remove_if(loaded.begin(), loaded.end(), [&](const Loaded& l) { return l.window == window; }),
                 loaded.end());
    if (loaded.empty() && event_loop_running()) PostQuitMessage(0);
}

std::vector<HWND> loaded_windows() {
    std::vector<HWND> result;
    for (const Loaded& loaded : windows()) result.push_back(loaded.window);
    return result;
}

void add_shortcut(Shortcut shortcut, std::function<void()> command) {
    shortcuts().emplace_back(shortcut, std::move(command));
}

void clear_shortcuts() { shortcuts().clear(); }

std::vector<std::wstring> command_line_arguments() {
    // As the C runtime split them at start, by the system's rules for quotes and backslashes.
    std::vector<std::wstring> result;
    for (int i = 1; i < __argc; ++i) result.emplace_back(__wargv[i]);
    return result;
}

void quit() {
    quitting() = true;
    PostQuitMessage(0);  // wakes the loop if it waits
}

void do_events() {
    MSG message;
    while (!quitting() && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {  // leave it for the event loop
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        dispatch(message);
    }
}

int run(const std::function<void()>& start) {
    event_loop_running() = true;
    os::at_boundary("start", start);
    int exit_code = 0;
    MSG message;
    if (!windows().empty()) {  // else nothing came up: nothing to wait for
        while (!quitting() && GetMessageW(&message, nullptr, 0, 0) > 0)
            if (!quitting()) dispatch(message);
        if (!quitting()) exit_code = static_cast<int>(message.wParam);
    }
    event_loop_running() = false;
    if (quitting()) {
        PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);  // quit()'s wake-up call, if still queued
        quitting() = false;
    }
    return exit_code;
}

void end() {
    os::trace("end");
    if (end_replacement()) {
        end_replacement()();
        return;
    }
    // Through the event loop, not ExitProcess: the windows and whatever works for them (a
    // thread decoding the artwork, say) are let go in order before the process ends.
    quit();
}

void replace_end_for_tests(std::function<void()> on_end) { end_replacement() = std::move(on_end); }

}  // namespace desktop
