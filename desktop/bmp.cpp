#include "desktop/bmp.h"

namespace desktop {
namespace {

constexpr std::int32_t kPixelsPerMetreAt96Dpi = 3780;

void put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
    out[at] = value & 0xFF;
    out[at + 1] = (value >> 8) & 0xFF;
}

void put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
    put16(out, at, value & 0xFFFF);
    put16(out, at + 2, value >> 16);
}

}  // namespace

std::size_t bmp_row_size(int width) { return (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4; }

std::vector<std::uint8_t> encode_bmp(const Pixels& picture) {
    const std::size_t row_size = bmp_row_size(picture.width);
    const std::size_t image_size = row_size * static_cast<std::size_t>(picture.height);
    std::vector<std::uint8_t> out(kBmpHeaderSize + image_size, 0);

    // BITMAPFILEHEADER
    out[0] = 'B';
    out[1] = 'M';
    put32(out, 2, static_cast<std::uint32_t>(out.size()));
    put32(out, 10, kBmpHeaderSize);
    // BITMAPINFOHEADER
    put32(out, 14, 40);
    put32(out, 18, static_cast<std::uint32_t>(picture.width));
    put32(out, 22, static_cast<std::uint32_t>(picture.height));  // positive: bottom-up
    put16(out, 26, 1);
    put16(out, 28, 24);
    put32(out, 30, 0);  // BI_RGB
    put32(out, 34, static_cast<std::uint32_t>(image_size));
    put32(out, 38, kPixelsPerMetreAt96Dpi);
    put32(out, 42, kPixelsPerMetreAt96Dpi);

    for (int y = 0; y < picture.height; ++y) {
        std::uint8_t* row = out.data() + kBmpHeaderSize + row_size * static_cast<std::size_t>(picture.height - 1 - y);
        for (int x = 0; x < picture.width; ++x) {
            const std::uint32_t pixel = picture.at(x, y);
            row[3 * x] = pixel & 0xFF;              // blue
            row[3 * x + 1] = (pixel >> 8) & 0xFF;   // green
            row[3 * x + 2] = (pixel >> 16) & 0xFF;  // red
        }
    }
    return out;
}

}  // namespace desktop
