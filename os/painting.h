// Drawing onto a window's client area, into memory, or onto a printer, with the same
// routines: whatever paints itself through a Painter can be drawn anywhere.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "os/font_design.h"
#include "os/geometry.h"
#include "os/handles.h"
#include "os/win32.h"
#include "picture/pixels.h"

namespace os {

// A bottom-up bitmap without a colour table: either one the program carries, drawn straight
// from the program's image in memory (no copy is made), or one made at run time whose pixels
// it owns (shared by its copies).
class Picture {
public:
    Picture() = default;
    static Picture from_resource(int resource);
    // Rows from the top, 32-bit pixels 0x00RRGGBB; the picture keeps the rows it is given.
    static Picture from_pixels(int width, int height, std::vector<std::uint32_t> rows_from_top);
    int width() const { return width_; }
    int height() const { return height_; }
    explicit operator bool() const { return bits_ != nullptr; }
    // Row y from the top, 32-bit pixels 0x00RRGGBB (only for 32-bit pictures).
    const std::uint32_t* row(int y) const;

private:
    friend class Painter;
    struct Owned;
    std::shared_ptr<const Owned> owned_;
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

    HDC dc() const { return dc_; }
    const PixelRect& area() const { return area_; }
    void fill(const PixelRect& rect, Colour colour);
    // Draws the picture unscaled with its top-left corner at `at`, cut off at clip.
    void draw_picture(const Picture& picture, const PixelRect& clip, POINT at = {0, 0});
    // Draws the picture stretched to fill `placed`, smoothly, cut off at clip.
    void draw_picture_scaled(const Picture& picture, const PixelRect& placed, const PixelRect& clip);
    void draw_text(const PixelRect& rect, std::wstring_view text, HFONT font, Colour colour, bool centred);

private:
    HDC dc_;
    PixelRect area_;
};

// Something that paints itself: a window's content, the card at some scale.
class Drawing {
public:
    virtual ~Drawing() = default;
    virtual int width() const = 0;   // pixels
    virtual int height() const = 0;
    // Paints the part of the drawing that painter.area() names.
    virtual void paint(Painter& painter) const = 0;
};

// A strip of 32-bit memory, some rows high, that drawings are painted into a band at a time:
// for the screen, so that no half-drawn state ever shows; for pictures and printers, so that
// a large drawing never needs all its rows in memory at once.
class Strip {
public:
    Strip(int width, int rows);
    explicit operator bool() const { return bitmap_ && dc_; }
    int width() const { return width_; }
    int rows() const { return rows_; }

    // Paints the given part of a surface, at most width() wide and rows() high, into the
    // strip's top-left corner.
    void paint(const PixelRect& area, const std::function<void(Painter&)>& paint);
    // Row y of the strip, as 32-bit pixels 0x00RRGGBB (the top byte is left as drawing left it).
    const std::uint32_t* row(int y) const;
    // Copies the strip's rows for the part of a surface painted last onto that surface.
    void copy_to(HDC target, const PixelRect& area) const;

private:
    int width_, rows_;
    Bitmap bitmap_;
    MemoryDC dc_;
    Selection selected_;  // after the DC: it lets go of the bitmap before the DC goes
    const std::uint32_t* bits_ = nullptr;
};

// Paints the drawing from the top down, rows at a time, handing each band's rows to the sink
// (the top row of the band, how many rows, and the strip holding them). The sink returns
// false to stop. False when memory for drawing could not be had or the sink stopped.
bool render_in_bands(const Drawing& drawing, int band_rows,
                     const std::function<bool(int top, int rows, const Strip& strip)>& sink);

// The whole drawing in memory, as a picture file keeps its rows.
picture::Pixels render(const Drawing& drawing);
// The memory a drawing is rendered in, kept from one rendering to the next: memory the system
// hands out afresh costs more to touch, page by page, than the card costs to draw.
struct RenderMemory {
    picture::Pixels picture;
    std::unique_ptr<Strip> strip;
};

// The same into memory.picture, which may hold another drawing, painted through memory.strip;
// both reused when large enough, made anew otherwise. False, and the picture empty, when
// memory for drawing could not be had.
bool render(const Drawing& drawing, RenderMemory& memory);

// A font of the given design for a surface of the given resolution.
Font create_font(const FontDesign& design, int dpi);

}  // namespace os
