// Putting a procedure of the program's own in front of a window's procedure.
#pragma once

#include "desktop/win32.h"

namespace desktop {

using WindowProcedure = WNDPROC;

inline constexpr UINT kContextMenuRequest = WM_CONTEXTMENU;

// Makes procedure the window's procedure and returns the one it replaces.
WindowProcedure replace_window_procedure(HWND window, WindowProcedure procedure);

// Hands one message to a saved procedure and returns its result.
LRESULT call_window_procedure(WindowProcedure saved, HWND window, UINT message, WPARAM wparam,
                              LPARAM lparam);

}  // namespace desktop
