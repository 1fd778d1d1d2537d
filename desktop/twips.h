// Window and control geometry is given in twips. The program is laid out for 15 twips per
// pixel (96 dpi), the only scale at which the pixel-sized card artwork lines up with the
// digit slots, so the conversion is fixed rather than read from the display.
#pragma once

namespace desktop {

inline constexpr int kTwipsPerPixel = 15;
inline constexpr int kPixelsPerInch = 1440 / kTwipsPerPixel;

// Nearest pixel, halves away from zero.
constexpr int to_pixels(int twips) {
    return (twips >= 0 ? twips + kTwipsPerPixel / 2 : twips - kTwipsPerPixel / 2) / kTwipsPerPixel;
}

constexpr int to_twips(int pixels) { return pixels * kTwipsPerPixel; }

// Character height in pixels of a font of the given size in points at the given resolution
// (negative by the font-mapping convention: the em height, not the cell height).
constexpr int font_height_pixels(double points, int dpi = kPixelsPerInch) {
    return -static_cast<int>(points * dpi / 72.0 + 0.5);
}

}  // namespace desktop
