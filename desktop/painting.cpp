#include "desktop/painting.h"

#include <cstdint>

#include "desktop/win32.h"

namespace desktop {

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

Painter::Painter(HDC dc, PixelRect area) : dc_(dc), area_(area) {}

void Painter::fill(const PixelRect& rect, Colour colour) {
    const PixelRect part = rect.intersect(area_);
    if (part.empty()) return;
    const RECT r{part.left, part.top, part.right, part.bottom};
    SetDCBrushColor(dc_, colour.bgr);
    FillRect(dc_, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void Painter::draw_picture(const Picture& picture, const PixelRect& clip) {
    const PixelRect part = area_.intersect(clip).intersect({0, 0, picture.width(), picture.height()});
    if (part.empty()) return;
    // A bottom-up bitmap counts its source rows from the bottom.
    SetDIBitsToDevice(dc_, part.left, part.top, part.width(), part.height(), part.left,
                      picture.height() - part.bottom, 0, picture.height(), picture.bits_, picture.info_,
                      DIB_RGB_COLORS);
}

void Painter::draw_text(const PixelRect& rect, std::wstring_view text, HFONT font, Colour colour,
                        bool centred) {
    // Clipped to both the label and the area being painted, so a partial repaint draws
    // exactly the pixels a full one would draw there.
    const PixelRect clip = rect.intersect(area_);
    if (clip.empty()) return;
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

Colour default_text_colour() { return Colour{static_cast<std::uint32_t>(GetSysColor(COLOR_BTNTEXT))}; }

}  // namespace desktop
