// A picture in memory, its rows kept as a 24-bit BMP file keeps them: bottom row first, each
// pixel blue, green, red, each row padded with zeros to a multiple of four bytes. Writing one
// as a BMP file is then its header followed by these bytes as they are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace picture {

class Pixels {
public:
    Pixels() = default;
    Pixels(int width, int height);  // all black
    // Moved, never copied unawares: a picture can take tens of megabytes.
    Pixels(const Pixels&) = delete;
    Pixels& operator=(const Pixels&) = delete;
    Pixels(Pixels&&) noexcept = default;
    Pixels& operator=(Pixels&&) noexcept = default;

    static std::size_t row_size(int width) { return (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4; }

    int width() const { return width_; }
    int height() const { return height_; }
    bool empty() const { return bytes_.empty(); }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

    // Colours as 0x00RRGGBB; (0, 0) is the top-left pixel.
    std::uint32_t at(int x, int y) const;
    void set(int x, int y, std::uint32_t colour);
    // Row y, from the top, filled from 32-bit pixels 0x00RRGGBB (the top byte is ignored).
    void set_row(int y, const std::uint32_t* pixels);
    // Makes this a black picture of the given size in the memory it holds, when that is large
    // enough: a picture drawn again and again needs no fresh memory each time, which the system
    // hands out page by page, at a cost, as it is first touched.
    void reset(int width, int height);

private:
    std::uint8_t* pixel(int x, int y) { return bytes_.data() + offset(x, y); }
    std::size_t offset(int x, int y) const {
        return row_size(width_) * static_cast<std::size_t>(height_ - 1 - y) + static_cast<std::size_t>(x) * 3;
    }

    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint8_t> bytes_;
};

}  // namespace picture
