// Owners for GDI, USER and kernel handles: each releases its handle exactly once, on every
// path. Move-only; never copy a handle owner. Each kind knows its own empty value.
#pragma once

#include <utility>

#include "os/win32.h"

namespace os {

template <class Kind>
class Owned {
public:
    using Handle = typename Kind::Handle;

    Owned() = default;
    explicit Owned(Handle handle) : handle_(handle) {}
    Owned(Owned&& other) noexcept : handle_(other.release()) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    ~Owned() { reset(); }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Kind::empty(); }
    void reset(Handle handle = Kind::empty()) {
        if (*this) Kind::release(handle_);
        handle_ = handle;
    }
    // Gives the handle up without releasing it (its object is gone already, or has a new owner).
    Handle release() { return std::exchange(handle_, Kind::empty()); }

private:
    Handle handle_ = Kind::empty();
};

template <class H, auto Release>
struct NullIsEmpty {
    using Handle = H;
    static Handle empty() { return nullptr; }
    static void release(Handle handle) { Release(handle); }
};

// CreateFile reports failure with INVALID_HANDLE_VALUE, not null.
struct FileKind {
    using Handle = HANDLE;
    static Handle empty() { return INVALID_HANDLE_VALUE; }
    static void release(Handle handle) { CloseHandle(handle); }
};

template <class H>
using GdiObject = Owned<NullIsEmpty<H, &DeleteObject>>;
using Font = GdiObject<HFONT>;
using Bitmap = GdiObject<HBITMAP>;
using Brush = GdiObject<HBRUSH>;
using MemoryDC = Owned<NullIsEmpty<HDC, &DeleteDC>>;
using KernelHandle = Owned<NullIsEmpty<HANDLE, &CloseHandle>>;
using File = Owned<FileKind>;
using OwnedWindow = Owned<NullIsEmpty<HWND, &DestroyWindow>>;

// Selects an object into a DC and puts the previous one back when it goes.
class Selection {
public:
    Selection() = default;
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    Selection(Selection&& other) noexcept
        : dc_(std::exchange(other.dc_, nullptr)), previous_(std::exchange(other.previous_, nullptr)) {}
    Selection& operator=(Selection&& other) noexcept {
        if (this != &other) {
            restore();
            dc_ = std::exchange(other.dc_, nullptr);
            previous_ = std::exchange(other.previous_, nullptr);
        }
        return *this;
    }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;
    ~Selection() { restore(); }

private:
    void restore() {
        if (dc_) SelectObject(dc_, previous_);
        dc_ = nullptr;
    }

    HDC dc_ = nullptr;
    HGDIOBJ previous_ = nullptr;
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

}  // namespace os
