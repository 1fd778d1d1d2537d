#include "os/console.h"

#include <string>

#include "os/win32.h"

namespace os {
namespace {

// A program built for windows has no console of its own; it borrows its parent's, if any,
// unless its output already goes somewhere (a pipe or a file).
HANDLE output(bool error) {
    static const bool attached = [] {
        const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
        return (out && out != INVALID_HANDLE_VALUE) || AttachConsole(ATTACH_PARENT_PROCESS);
    }();
    (void)attached;
    return GetStdHandle(error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
}

}  // namespace

void print_line(std::wstring_view line, bool error) {
    const HANDLE handle = output(error);
    if (!handle || handle == INVALID_HANDLE_VALUE) return;
    const std::wstring text = std::wstring(line) + L"\n";
    DWORD written = 0, mode = 0;
    if (GetConsoleMode(handle, &mode)) {
        WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), size, nullptr, nullptr);
    WriteFile(handle, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

}  // namespace os
