#include "desktop/services.h"

#include <vector>

#include "desktop/application.h"
#include "desktop/handles.h"
#include "desktop/timer.h"
#include "desktop/trace.h"
#include "desktop/win32.h"

namespace desktop {
namespace {

MessageBoxAnswerer& answerer() {
    static MessageBoxAnswerer installed;
    return installed;
}

int& boxes_open() {
    static int open = 0;
    return open;
}

// Counts a box as open for as long as it lives; when it closes, whatever waits for the
// windows to change (the watchdog) looks again.
class BoxOpen {
public:
    BoxOpen() { ++boxes_open(); }
    BoxOpen(const BoxOpen&) = delete;
    BoxOpen& operator=(const BoxOpen&) = delete;
    ~BoxOpen() {
        --boxes_open();
        Timer::windows_changed();
    }
};

std::function<void()>& end_replacement() {
    static std::function<void()> replacement;
    return replacement;
}

// Disables the program's other windows for as long as it lives, so that a message box
// owned by one window is modal for the whole program.
class OtherWindowsDisabled {
public:
    explicit OtherWindowsDisabled(HWND owner) {
        for (const HWND window : loaded_windows()) {
            if (window != owner && IsWindowEnabled(window)) {
                EnableWindow(window, FALSE);
                disabled_.push_back(window);
            }
        }
    }
    OtherWindowsDisabled(const OtherWindowsDisabled&) = delete;
    OtherWindowsDisabled& operator=(const OtherWindowsDisabled&) = delete;
    ~OtherWindowsDisabled() {
        for (const HWND window : disabled_)
            if (IsWindow(window)) EnableWindow(window, TRUE);
    }

private:
    std::vector<HWND> disabled_;
};

// The box's owner: the program's foremost shown window, so the box always stands above it
// (above the always-on-top panel too) and comes back with it.
HWND message_box_owner() {
    HWND shown = nullptr;
    for (const HWND window : loaded_windows()) {
        if (!IsWindowVisible(window)) continue;
        if (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) return window;
        shown = window;
    }
    return shown;
}

}  // namespace

int message_box(std::wstring_view text, unsigned flags, std::wstring_view title) {
    const MessageBoxRequest request{std::wstring(text), flags, std::wstring(title.empty() ? identity().title : title),
                                    message_box_owner()};
    trace("message_box", request.title);
    const BoxOpen open;
    if (answerer()) return answerer()(request);
    const OtherWindowsDisabled modal(request.owner);
    return MessageBoxW(request.owner, request.text.c_str(), request.title.c_str(),
                       flags | MB_APPLMODAL | MB_SETFOREGROUND);
}

bool message_box_open() { return boxes_open() > 0; }

MessageBoxAnswerer answer_message_boxes_with(MessageBoxAnswerer replacement) {
    MessageBoxAnswerer previous = std::move(answerer());
    answerer() = std::move(replacement);
    return previous;
}

bool previous_instance() {
    static KernelHandle mutex;
    static const bool another_copy_runs = [] {
        mutex.reset(CreateMutexW(nullptr, FALSE, identity().instance_mutex.c_str()));
        return GetLastError() == ERROR_ALREADY_EXISTS;
    }();
    return another_copy_runs;
}

void end() {
    trace("end");
    if (end_replacement()) {
        end_replacement()();
        return;
    }
    ExitProcess(0);
}

void replace_end_for_tests(std::function<void()> on_end) { end_replacement() = std::move(on_end); }

std::wstring executable_directory() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const auto separator = path.find_last_of(L"\\/");
    if (separator == std::wstring::npos) return {};
    // The root of a drive keeps its separator ("C:\"), as the platform reports it.
    const bool drive_root = separator == 2 && path[1] == L':';
    return path.substr(0, drive_root ? separator + 1 : separator);
}

}  // namespace desktop
