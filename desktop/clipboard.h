// Putting pictures on the clipboard.
#pragma once

#include <initializer_list>
#include <string>

#include "desktop/files.h"

namespace desktop {

struct ClipboardData {
    std::wstring format;  // "CF_DIB" for the standard device-independent bitmap, else a registered name
    ByteRun bytes;
};

// Empties the clipboard and puts these on it, all or nothing; false with the reason on failure.
bool put_on_clipboard(std::initializer_list<ClipboardData> data, std::wstring& failure);

}  // namespace desktop
