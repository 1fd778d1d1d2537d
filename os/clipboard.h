// The clipboard: pictures put on it, text read from it.
#pragma once

#include <initializer_list>
#include <string>

#include "os/byte_run.h"
#include "os/win32.h"

namespace os {

struct ClipboardData {
    std::wstring format;  // "CF_DIB" for the standard device-independent bitmap, else a registered name
    ByteRun bytes;
};

// Empties the clipboard and puts these on it, all or nothing, owned by the given window (one
// of the program's: the clipboard keeps no data put there by no window); false with the
// reason on failure.
bool put_on_clipboard(HWND owner, std::initializer_list<ClipboardData> data, std::wstring& failure);

// The text on the clipboard, or nothing; the clipboard is left as it is.
std::wstring clipboard_text(HWND owner);

}  // namespace os
