// Drawing onto a form's client area, or into memory with the same routine.
#pragma once

#include <string_view>

#include "desktop/geometry.h"
#include "desktop/handles.h"
#include "desktop/win32.h"

namespace desktop {

// A bitmap the program carries, drawn straight from the program's own image in memory:
// no copy of it is made. Only bottom-up bitmaps without a colour table are taken.
class Picture {
public:
    static Picture from_resource(int resource);
    int width() const { return width_; }
    int height() const { return height_; }

private:
    friend class Painter;
    Picture() = default;
    const BITMAPINFO* info_ = nullptr;
    const void* bits_ = nullptr;
    int width_ = 0, height_ = 0;
};

class Painter {
public:
    // area: the part of the surface being painted; nothing outside it is touched.
    Painter(HDC dc, PixelRect area);
    Painter(const Painter&) = delete;
    Painter& operator=(const Painter&) = delete;

    const PixelRect& area() const { return area_; }
    void fill(const PixelRect& rect, Colour colour);
    // Draws the picture unscaled with its top-left corner at (0, 0), cut off at clip.
    void draw_picture(const Picture& picture, const PixelRect& clip);
    void draw_text(const PixelRect& rect, std::wstring_view text, HFONT font, Colour colour,
                   bool centred);

private:
    HDC dc_;
    PixelRect area_;
};

// The colour controls draw their text in on the current colour scheme.
Colour default_text_colour();

}  // namespace desktop
