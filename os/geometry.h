// Plain value types shared by the windows: rectangles in pixels and colours.
#pragma once

#include <algorithm>
#include <cstdint>

namespace os {

struct PixelRect {
    int left = 0, top = 0, right = 0, bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool empty() const { return right <= left || bottom <= top; }
    PixelRect intersect(const PixelRect& other) const {
        return {std::max(left, other.left), std::max(top, other.top), std::min(right, other.right),
                std::min(bottom, other.bottom)};
    }
    bool operator==(const PixelRect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

// A 24-bit colour packed as 0x00BBGGRR: red in the low byte, as GDI takes colours.
struct Colour {
    std::uint32_t bgr = 0;
    std::uint8_t red() const { return bgr & 0xFF; }
    std::uint8_t green() const { return (bgr >> 8) & 0xFF; }
    std::uint8_t blue() const { return (bgr >> 16) & 0xFF; }
};

}  // namespace os
