#include "desktop/window_procedure.h"

namespace desktop {

WindowProcedure replace_window_procedure(HWND window, WindowProcedure procedure) {
    return reinterpret_cast<WindowProcedure>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure)));
}

LRESULT call_window_procedure(WindowProcedure saved, HWND window, UINT message, WPARAM wparam,
                              LPARAM lparam) {
    return CallWindowProcW(saved, window, message, wparam, lparam);
}

}  // namespace desktop
