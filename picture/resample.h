// Shrinking a picture a row at a time by area averaging: each pixel of the smaller picture is
// the mean of the part of the larger one it covers, fractions of pixels included. Sharp
// edges stay as sharp as the new size allows; nothing rings. No Windows headers.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace picture {

class Shrinker {
public:
    // Rows handed out: the destination row's index and its pixels, 0x00RRGGBB.
    using Sink = std::function<void(int y, const std::vector<std::uint32_t>& row)>;

    // The destination may not be larger than the source either way.
    Shrinker(int source_width, int source_height, int width, int height, Sink sink);

    // Source rows, from the top, one at a time; destination rows come out as they complete.
    void push(const std::uint32_t* source_row);

private:
    struct Share {
        int source;
        double weight;
    };
    std::vector<std::vector<Share>> columns_;  // per destination column
    int source_height_, width_, height_;
    int source_y_ = 0, y_ = 0;
    std::vector<double> sums_;  // the destination row being gathered, three channels a pixel
    double gathered_ = 0;       // how much of it the source rows pushed so far cover
    Sink sink_;

    void add(const std::uint32_t* source_row, double weight);
    void emit();
};

}  // namespace picture
