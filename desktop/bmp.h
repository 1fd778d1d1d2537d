// Encoding a picture as a BMP file: 24 bits per pixel, rows bottom-up, each row padded to a
// multiple of four bytes, 96 dpi.
#pragma once

#include <cstdint>
#include <vector>

#include "desktop/pixels.h"

namespace desktop {

inline constexpr int kBmpHeaderSize = 14 + 40;

std::size_t bmp_row_size(int width);
std::vector<std::uint8_t> encode_bmp(const Pixels& picture);

}  // namespace desktop
