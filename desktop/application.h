// The program as the desktop sees it: who it is, which of its top-level windows are loaded,
// and the event loop that drives them.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "desktop/win32.h"

namespace desktop {

// What the desktop layer needs to know about the program it serves; set once, first thing.
struct Identity {
    std::wstring title;             // of message boxes that are given none
    std::wstring instance_mutex;    // named mutex that lets one copy run at a time
    std::wstring trace_variable;    // environment variable that names the trace file
    std::wstring temporary_prefix;  // start of the names of files still being written
    std::wstring settings_key;      // under HKEY_CURRENT_USER
    int default_charset = DEFAULT_CHARSET;  // of fonts whose design names none
};
void set_identity(Identity identity);
const Identity& identity();

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

// Runs the program: calls start (which loads the first window) and then handles events until
// no window of the program is loaded any more. Returns the process exit code.
int run(const std::function<void()>& start);

}  // namespace desktop
