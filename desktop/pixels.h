// A picture in memory: rows top-down, each pixel 0x00RRGGBB.
#pragma once

#include <cstdint>
#include <vector>

namespace desktop {

struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> data;  // width * height, row after row from the top

    std::uint32_t at(int x, int y) const { return data[static_cast<std::size_t>(y) * width + x]; }
};

}  // namespace desktop
