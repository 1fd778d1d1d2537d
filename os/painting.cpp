#include "os/painting.h"

#include <algorithm>
#include <utility>

#include "os/twips.h"

namespace os {

Picture Picture::from_resource(int resource) {
    Picture picture;
    const HMODULE module = GetModuleHandleW(nullptr);
    const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(resource), RT_BITMAP);
    const HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const auto* info = static_cast<const BITMAPINFO*>(loaded ? LockResource(loaded) : nullptr);
    if (!info || SizeofResource(module, found) < sizeof(BITMAPINFOHEADER)) return picture;
    const BITMAPINFOHEADER& header = info->bmiHeader;
    const bool direct_colour = header.biBitCount >= 24 && header.biCompression == BI_RGB && header.biClrUsed == 0;
    if (!direct_colour || header.biHeight <= 0) return picture;
    picture.info_ = info;
    picture.bits_ = reinterpret_cast<const std::uint8_t*>(info) + header.biSize;
    picture.width_ = header.biWidth;
    picture.height_ = header.biHeight;
    return picture;
}

struct Picture::Owned {
    BITMAPINFOHEADER header{};
    std::vector<std::uint32_t> rows_from_bottom;
};

Picture Picture::from_pixels(int width, int height, std::vector<std::uint32_t> rows_from_top) {
    Picture picture;
    if (width <= 0 || height <= 0 || rows_from_top.size() != static_cast<std::size_t>(width) * height) return picture;
    auto owned = std::make_shared<Owned>();
    owned->header.biSize = sizeof(BITMAPINFOHEADER);
    owned->header.biWidth = width;
    owned->header.biHeight = height;
    owned->header.biPlanes = 1;
    owned->header.biBitCount = 32;
    owned->header.biCompression = BI_RGB;
    owned->rows_from_bottom = std::move(rows_from_top);
    auto& rows = owned->rows_from_bottom;
    for (int y = 0; y < height / 2; ++y) {  // turned upside down in place: pictures can be large
        const auto top = rows.begin() + static_cast<std::ptrdiff_t>(y) * width;
        std::swap_ranges(top, top + width, rows.begin() + static_cast<std::ptrdiff_t>(height - 1 - y) * width);
    }
    picture.info_ = reinterpret_cast<const BITMAPINFO*>(&owned->header);
    picture.bits_ = owned->rows_from_bottom.data();
    picture.width_ = width;
    picture.height_ = height;
    picture.owned_ = std::move(owned);
    return picture;
}

const std::uint32_t* Picture::row(int y) const {
    return static_cast<const std::uint32_t*>(bits_) + static_cast<std::size_t>(height_ - 1 - y) * width_;
}

Painter::Painter(HDC dc, PixelRect area) : dc_(dc), area_(area) {}

void Painter::fill(const PixelRect& rect, Colour colour) {
    const PixelRect part = rect.intersect(area_);
    if (part.empty()) return;
    const RECT r{part.left, part.top, part.right, part.bottom};
    SetDCBrushColor(dc_, colour.bgr);
    FillRect(dc_, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void Painter::draw_picture(const Picture& picture, const PixelRect& clip, POINT at) {
    if (!picture) return;
    const PixelRect placed{at.x, at.y, at.x + picture.width(), at.y + picture.height()};
    const PixelRect part = area_.intersect(clip).intersect(placed);
    if (part.empty()) return;
    // A bottom-up bitmap counts its source rows from the bottom.
    const int source_left = part.left - at.x, source_bottom = at.y + picture.height() - part.bottom;
    SetDIBitsToDevice(dc_, part.left, part.top, part.width(), part.height(), source_left, source_bottom, 0,
                      picture.height(), picture.bits_, picture.info_, DIB_RGB_COLORS);
}

void Painter::draw_picture_scaled(const Picture& picture, const PixelRect& placed, const PixelRect& clip) {
    const PixelRect part = area_.intersect(clip).intersect(placed);
    if (!picture || part.empty()) return;
    const int saved = SaveDC(dc_);
    IntersectClipRect(dc_, part.left, part.top, part.right, part.bottom);
    SetStretchBltMode(dc_, HALFTONE);
    SetBrushOrgEx(dc_, 0, 0, nullptr);
    StretchDIBits(dc_, placed.left, placed.top, placed.width(), placed.height(), 0, 0, picture.width(),
                  picture.height(), picture.bits_, picture.info_, DIB_RGB_COLORS, SRCCOPY);
    RestoreDC(dc_, saved);
}

void Painter::draw_text(const PixelRect& rect, std::wstring_view text, HFONT font, Colour colour, bool centred) {
    // Clipped to both the text's rectangle and the area being painted, so a partial repaint
    // draws exactly the pixels a full one would draw there.
    const PixelRect clip = rect.intersect(area_);
    if (clip.empty() || text.empty()) return;
    const int saved = SaveDC(dc_);
    IntersectClipRect(dc_, clip.left, clip.top, clip.right, clip.bottom);
    SelectObject(dc_, font);
    SetBkMode(dc_, TRANSPARENT);
    SetTextColor(dc_, colour.bgr);
    RECT r{rect.left, rect.top, rect.right, rect.bottom};
    DrawTextW(dc_, text.data(), static_cast<int>(text.size()), &r,
              (centred ? DT_CENTER : DT_LEFT) | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
    RestoreDC(dc_, saved);
}

Strip::Strip(int width, int rows) : width_(width), rows_(rows) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -rows;  // top-down: row y of the strip is row y in memory
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    bits_ = static_cast<const std::uint32_t*>(bits);
    dc_.reset(CreateCompatibleDC(nullptr));
    if (*this) selected_ = Selection(dc_.get(), bitmap_.get());
}

void Strip::paint(const PixelRect& area, const std::function<void(Painter&)>& paint) {
    SetViewportOrgEx(dc_.get(), -area.left, -area.top, nullptr);  // the area's corner lands on the strip's
    {
        Painter painter(dc_.get(), area);
        paint(painter);
    }
    SetViewportOrgEx(dc_.get(), 0, 0, nullptr);
    GdiFlush();
}

const std::uint32_t* Strip::row(int y) const { return bits_ + static_cast<std::size_t>(y) * width_; }

void Strip::copy_to(HDC target, const PixelRect& area) const {
    BitBlt(target, area.left, area.top, area.width(), area.height(), dc_.get(), 0, 0, SRCCOPY);
}

namespace {

bool paint_bands(const Drawing& drawing, Strip& strip,
                 const std::function<bool(int top, int rows, const Strip& strip)>& sink) {
    const int width = drawing.width(), height = drawing.height();
    for (int top = 0; top < height; top += strip.rows()) {
        const int rows = std::min(strip.rows(), height - top);
        strip.paint({0, top, width, top + rows}, [&](Painter& painter) { drawing.paint(painter); });
        if (!sink(top, rows, strip)) return false;
    }
    return true;
}

constexpr int kRenderBandRows = 64;

}  // namespace

bool render_in_bands(const Drawing& drawing, int band_rows,
                     const std::function<bool(int top, int rows, const Strip& strip)>& sink) {
    const int width = drawing.width(), height = drawing.height();
    if (width <= 0 || height <= 0) return false;
    Strip strip(width, std::min(height, band_rows));
    return strip && paint_bands(drawing, strip, sink);
}

bool render(const Drawing& drawing, RenderMemory& memory) {
    const int width = drawing.width(), height = drawing.height();
    picture::Pixels& into = memory.picture;
    bool drawn = false;
    if (width > 0 && height > 0) {
        const int rows = std::min(height, kRenderBandRows);
        if (!memory.strip || memory.strip->width() != width || memory.strip->rows() != rows)
            memory.strip = std::make_unique<Strip>(width, rows);
        into.reset(width, height);
        drawn = *memory.strip && paint_bands(drawing, *memory.strip, [&](int top, int count, const Strip& strip) {
            for (int y = 0; y < count; ++y) into.set_row(top + y, strip.row(y));
            return true;
        });
    }
    if (!drawn) {  // nothing half-drawn is kept, nor a strip that could not be made
        into = picture::Pixels();
        memory.strip.reset();
    }
    return drawn;
}

picture::Pixels render(const Drawing& drawing) {
    RenderMemory memory;
    render(drawing, memory);
    return std::move(memory.picture);  // never copied: it can be tens of megabytes
}

Font create_font(const FontDesign& design, int dpi) {
    return Font(CreateFontW(font_height_pixels(design.points, dpi), 0, 0, 0, design.weight, FALSE, FALSE, FALSE,
                            static_cast<BYTE>(design.charset), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                            design.smoothing == Smoothing::Grayscale ? ANTIALIASED_QUALITY : DEFAULT_QUALITY,
                            DEFAULT_PITCH | FF_DONTCARE, design.face.c_str()));
}

}  // namespace os
