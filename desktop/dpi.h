// A window's resolution, and the frame metrics that go with it. The calls that take a
// resolution exist from Windows 10 on; before, everything is at the system's resolution.
#pragma once

#include "os/win32.h"

namespace desktop {

int system_dpi();
int window_dpi(HWND window);  // the system's when the window is null
// The outer rectangle a client rectangle needs, for a window of this style at this dpi.
RECT adjust_for_dpi(RECT client, DWORD style, DWORD extended_style, int dpi);

}  // namespace desktop
