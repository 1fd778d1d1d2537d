#include "picture/bmp.h"

#include <algorithm>

namespace picture {
namespace {

constexpr std::int32_t kPixelsPerMetreAt96Dpi = 3780;

using Header = std::array<std::uint8_t, kBmpHeaderSize>;

void put16(Header& out, std::size_t at, std::uint32_t value) {
    out[at] = value & 0xFF;
    out[at + 1] = (value >> 8) & 0xFF;
}

void put32(Header& out, std::size_t at, std::uint32_t value) {
    put16(out, at, value & 0xFFFF);
    put16(out, at + 2, value >> 16);
}

}  // namespace

Header bmp_header(const Pixels& picture) {
    const auto image_size = static_cast<std::uint32_t>(picture.bytes().size());
    Header out{};
    // BITMAPFILEHEADER
    out[0] = 'B';
    out[1] = 'M';
    put32(out, 2, kBmpHeaderSize + image_size);
    put32(out, 10, kBmpHeaderSize);
    // BITMAPINFOHEADER
    put32(out, 14, 40);
    put32(out, 18, static_cast<std::uint32_t>(picture.width()));
    put32(out, 22, static_cast<std::uint32_t>(picture.height()));  // positive: bottom-up
    put16(out, 26, 1);
    put16(out, 28, 24);
    put32(out, 30, 0);  // BI_RGB
    put32(out, 34, image_size);
    put32(out, 38, kPixelsPerMetreAt96Dpi);
    put32(out, 42, kPixelsPerMetreAt96Dpi);
    return out;
}

std::vector<std::uint8_t> encode_bmp(const Pixels& picture) {
    const Header header = bmp_header(picture);
    std::vector<std::uint8_t> out(kBmpHeaderSize + picture.bytes().size());
    std::copy(header.begin(), header.end(), out.begin());
    std::copy(picture.bytes().begin(), picture.bytes().end(), out.begin() + kBmpHeaderSize);
    return out;
}

}  // namespace picture
