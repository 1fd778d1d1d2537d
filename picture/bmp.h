// A picture as a BMP file: a 14-byte file header and a 40-byte information header (24 bits
// per pixel, rows bottom-up, no compression, 96 dpi), then the picture's rows as it keeps them.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "picture/pixels.h"

namespace picture {

inline constexpr int kBmpHeaderSize = 14 + 40;

std::array<std::uint8_t, kBmpHeaderSize> bmp_header(const Pixels& picture);
// The whole file in memory: the header, then picture.bytes().
std::vector<std::uint8_t> encode_bmp(const Pixels& picture);

}  // namespace picture
