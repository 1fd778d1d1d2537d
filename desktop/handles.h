// Owners for GDI, USER and kernel handles: each releases its handle exactly once, on every
// path. Move-only; never copy a handle owner.
#pragma once

#include <utility>

#include "desktop/win32.h"

namespace desktop {

template <class Handle, auto Release>
class Owned {
public:
    Owned() = default;
    explicit Owned(Handle handle) : handle_(handle) {}
    Owned(Owned&& other) noexcept : handle_(std::exchange(other.handle_, Handle{})) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) reset(std::exchange(other.handle_, Handle{}));
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    ~Owned() { reset(); }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Handle{}; }
    void reset(Handle handle = Handle{}) {
        if (handle_) Release(handle_);
        handle_ = handle;
    }

private:
    Handle handle_{};
};

template <class Handle>
using GdiObject = Owned<Handle, &DeleteObject>;
using Font = GdiObject<HFONT>;
using Bitmap = GdiObject<HBITMAP>;
using Brush = GdiObject<HBRUSH>;
using MemoryDC = Owned<HDC, &DeleteDC>;
using KernelHandle = Owned<HANDLE, &CloseHandle>;

// Selects an object into a DC and puts the previous one back on scope exit.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;
    ~Selection() { SelectObject(dc_, previous_); }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// BeginPaint / EndPaint.
class PaintScope {
public:
    explicit PaintScope(HWND window) : window_(window) { BeginPaint(window_, &paint_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    ~PaintScope() { EndPaint(window_, &paint_); }

    HDC dc() const { return paint_.hdc; }
    const RECT& area() const { return paint_.rcPaint; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
};

// GetDC / ReleaseDC.
class WindowDC {
public:
    explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    ~WindowDC() { ReleaseDC(window_, dc_); }

    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

}  // namespace desktop
