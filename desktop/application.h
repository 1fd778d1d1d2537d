// The program as the desktop sees it: which of its top-level windows are loaded, and the
// event loop that drives them.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "os/win32.h"

namespace desktop {

// The program's top-level windows register while they exist. When the last one goes, the
// event loop of run() ends.
void window_loaded(HWND window, bool takes_dialog_keys);
void window_gone(HWND window);
// Loaded windows, in the order they were loaded.
std::vector<HWND> loaded_windows();

// A key with Ctrl (and Shift) held. While a window of the program or one of its controls has
// the keyboard focus, the shortcut's command runs before the key reaches any control.
struct Shortcut {
    UINT key;  // virtual key, e.g. 'C'
    bool shift = false;
};
void add_shortcut(Shortcut shortcut, std::function<void()> command);
void clear_shortcuts();

// The arguments the program was started with, after its own name.
std::vector<std::wstring> command_line_arguments();

// Lets every event queued so far run once, then returns.
void do_events();

// Ends the event loop of run(): no further event is handled, and run() returns 0.
void quit();

// Ends the program: the event loop of run() stops at once, before any event still queued,
// and the process ends once run() returns; no unload procedure runs. Tests install a
// replacement that records the call instead. Callers return normally after it.
void end();
void replace_end_for_tests(std::function<void()> on_end);

// Runs the program: calls start (which loads the first window) and then handles events until
// no window of the program is loaded any more. Returns the process exit code.
int run(const std::function<void()>& start);

}  // namespace desktop
