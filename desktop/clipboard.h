// The clipboard: pictures put on it, text read from it.
#pragma once

#include <initializer_list>
#include <string>

#include "desktop/files.h"
#include "desktop/win32.h"

namespace desktop {

struct ClipboardData {
    std::wstring format;  // "CF_DIB" for the standard device-independent bitmap, else a registered name
    ByteRun bytes;
};

// Empties the clipboard and puts these on it, all or nothing; false with the reason on failure.
bool put_on_clipboard(std::initializer_list<ClipboardData> data, std::wstring& failure);

// The text on the clipboard, or nothing; the clipboard is left as it is.
std::wstring clipboard_text(HWND owner);

}  // namespace desktop
