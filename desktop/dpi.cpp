#include "desktop/dpi.h"

namespace desktop {
namespace {

template <class Function>
Function user32(const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

}  // namespace

int system_dpi() {
    static const auto for_system = user32<UINT(WINAPI*)()>("GetDpiForSystem");
    if (for_system) return static_cast<int>(for_system());
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi;
}

int window_dpi(HWND window) {
    static const auto for_window = user32<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
    const UINT dpi = window && for_window ? for_window(window) : 0;
    return dpi ? static_cast<int>(dpi) : system_dpi();
}

RECT adjust_for_dpi(RECT client, DWORD style, DWORD extended_style, int dpi) {
    static const auto for_dpi = user32<BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi");
    if (!for_dpi || !for_dpi(&client, style, FALSE, extended_style, static_cast<UINT>(dpi)))
        AdjustWindowRectEx(&client, style, FALSE, extended_style);
    return client;
}

}  // namespace desktop
