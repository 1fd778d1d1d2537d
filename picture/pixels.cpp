#include "picture/pixels.h"

namespace picture {
namespace {

void store(std::uint8_t* p, std::uint32_t colour) {
    p[0] = colour & 0xFF;          // blue
    p[1] = (colour >> 8) & 0xFF;   // green
    p[2] = (colour >> 16) & 0xFF;  // red
}

}  // namespace

Pixels::Pixels(int width, int height)
    : width_(width), height_(height), bytes_(row_size(width) * static_cast<std::size_t>(height), 0) {}

std::uint32_t Pixels::at(int x, int y) const {
    const std::uint8_t* p = bytes_.data() + offset(x, y);
    return static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[1]) << 8 | p[0];
}

void Pixels::set(int x, int y, std::uint32_t colour) { store(pixel(x, y), colour); }

void Pixels::reset(int width, int height) {
    width_ = width;
    height_ = height;
    bytes_.assign(row_size(width) * static_cast<std::size_t>(height), 0);
}

void Pixels::set_row(int y, const std::uint32_t* pixels) {
    std::uint8_t* p = pixel(0, y);
    for (int x = 0; x < width_; ++x, p += 3) store(p, pixels[x]);
}

}  // namespace picture
