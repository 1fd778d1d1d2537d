#include "desktop/modal.h"

#include "desktop/application.h"
#include "desktop/timer.h"

namespace desktop {
namespace {

int& modals_open() {
    static int open = 0;
    return open;
}

}  // namespace

HWND modal_owner() {
    HWND shown = nullptr;
    for (const HWND window : loaded_windows()) {
        if (!IsWindowVisible(window)) continue;
        if (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) return window;
        shown = window;
    }
    return shown;
}

Modal::Modal(HWND owner) {
    ++modals_open();
    for (const HWND window : loaded_windows()) {
        if (window != owner && IsWindowEnabled(window)) {
            EnableWindow(window, FALSE);
            disabled_.push_back(window);
        }
    }
}

Modal::~Modal() {
    for (const HWND window : disabled_)
        if (IsWindow(window)) EnableWindow(window, TRUE);
    --modals_open();
    Timer::windows_changed();
}

bool Modal::open() { return modals_open() > 0; }

}  // namespace desktop
