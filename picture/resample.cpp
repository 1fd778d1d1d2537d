#include "picture/resample.h"

#include <algorithm>
#include <cmath>

namespace picture {
namespace {

// The parts of source cells [0, source) that destination cell i of [0, count) covers.
template <class Share>
std::vector<Share> shares(int i, int source, int count) {
    const double scale = static_cast<double>(source) / count;
    const double begin = i * scale, end = (i + 1) * scale;
    std::vector<Share> result;
    for (int s = static_cast<int>(std::floor(begin)); s < std::min<double>(source, std::ceil(end)); ++s) {
        const double weight = std::min<double>(end, s + 1) - std::max<double>(begin, s);
        if (weight > 1e-9) result.push_back({s, weight / scale});
    }
    return result;
}

}  // namespace

Shrinker::Shrinker(int source_width, int source_height, int width, int height, Sink sink)
    : source_height_(source_height), width_(width), height_(height), sums_(static_cast<std::size_t>(width) * 3), sink_(std::move(sink)) {
    for (int x = 0; x < width; ++x) columns_.push_back(shares<Share>(x, source_width, width));
}

void Shrinker::push(const std::uint32_t* source_row) {
    if (source_y_ >= source_height_) return;
    const double scale = static_cast<double>(source_height_) / height_;
    // This source row's part in the destination rows it falls into: one, or two when a
    // destination row ends inside it.
    double begin = source_y_, end = source_y_ + 1;
    while (begin < end - 1e-9 && y_ < height_) {
        const double row_end = (y_ + 1) * scale;
        const double part = std::min(end, row_end) - begin;
        add(source_row, part / scale);
        begin += part;
        if (row_end <= end + 1e-9) emit();
    }
    ++source_y_;
}

void Shrinker::add(const std::uint32_t* source_row, double weight) {
    for (int x = 0; x < width_; ++x) {
        double r = 0, g = 0, b = 0;
        for (const Share& share : columns_[x]) {
            const std::uint32_t p = source_row[share.source];
            r += share.weight * ((p >> 16) & 0xFF);
            g += share.weight * ((p >> 8) & 0xFF);
            b += share.weight * (p & 0xFF);
        }
        sums_[3 * x] += weight * r;
        sums_[3 * x + 1] += weight * g;
        sums_[3 * x + 2] += weight * b;
    }
    gathered_ += weight;
}

void Shrinker::emit() {
    std::vector<std::uint32_t> row(static_cast<std::size_t>(width_));
    const auto channel = [this](double sum) {
        return static_cast<std::uint32_t>(std::clamp(std::lround(sum / gathered_), 0L, 255L));
    };
    for (int x = 0; x < width_; ++x)
        row[x] = channel(sums_[3 * x]) << 16 | channel(sums_[3 * x + 1]) << 8 | channel(sums_[3 * x + 2]);
    sink_(y_++, row);
    std::fill(sums_.begin(), sums_.end(), 0.0);
    gathered_ = 0;
}

}  // namespace picture
