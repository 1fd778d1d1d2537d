#include "panel/menu_guard.h"

namespace Module1 {

desktop::WindowProcedure SavedWndProc = nullptr;

void InstallMenuGuard(HWND box) { SavedWndProc = desktop::replace_window_procedure(box, &MenuGuardProc); }

void RemoveMenuGuard(HWND box) {
    // Without a saved procedure (the installation failed) there is nothing to put back, and
    // installing a null procedure would break the box.
    if (SavedWndProc) desktop::replace_window_procedure(box, SavedWndProc);
}

LRESULT CALLBACK MenuGuardProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == desktop::kContextMenuRequest) return -1;
    return desktop::call_window_procedure(SavedWndProc, window, message, wparam, lparam);
}

}  // namespace Module1
