// Window and control geometry is given in twips, 1/1440 inch: 15 twips a pixel at 96 dpi,
// 12 at 120, 10 at 144, 7.5 at 192. Each window converts at its own resolution.
#pragma once

namespace os {

inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kPixelsPerInch = 96;  // the resolution the designs were laid out at

// Nearest pixel, halves away from zero.
constexpr int to_pixels(int twips, int dpi = kPixelsPerInch) {
    const long long scaled = static_cast<long long>(twips) * dpi;
    return static_cast<int>((scaled >= 0 ? scaled + kTwipsPerInch / 2 : scaled - kTwipsPerInch / 2) / kTwipsPerInch);
}

constexpr int to_twips(int pixels, int dpi = kPixelsPerInch) {
    return static_cast<int>(static_cast<long long>(pixels) * kTwipsPerInch / dpi);
}

// Character height in pixels of a font of the given size in points at the given resolution
// (negative by the font-mapping convention: the em height, not the cell height).
constexpr int font_height_pixels(double points, int dpi = kPixelsPerInch) {
    return -static_cast<int>(points * dpi / 72.0 + 0.5);
}

}  // namespace os
