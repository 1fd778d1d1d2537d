#include "desktop/painting.h"

#include "desktop/services.h"

namespace desktop {

Picture Picture::from_resource(int resource) {
    Picture picture;
    picture.bitmap_.reset(static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr),
                                                          MAKEINTRESOURCEW(resource), IMAGE_BITMAP,
                                                          0, 0, LR_CREATEDIBSECTION)));
    BITMAP info{};
    GetObjectW(picture.bitmap_.get(), sizeof info, &info);
    picture.width_ = info.bmWidth;
    picture.height_ = info.bmHeight;
    picture.dc_.reset(CreateCompatibleDC(nullptr));
    SelectObject(picture.dc_.get(), picture.bitmap_.get());
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
    BitBlt(dc_, part.left, part.top, part.width(), part.height(), picture.dc(), part.left, part.top,
           SRCCOPY);
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
