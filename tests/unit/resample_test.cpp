#include "picture/resample.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::vector<std::uint32_t>> shrink(const std::vector<std::vector<std::uint32_t>>& source, int width,
                                               int height) {
    std::vector<std::vector<std::uint32_t>> rows(height);
    std::vector<int> order;
    picture::Shrinker shrinker(static_cast<int>(source[0].size()), static_cast<int>(source.size()), width, height,
                               [&](int y, const std::vector<std::uint32_t>& row) {
                                   rows[y] = row;
                                   order.push_back(y);
                               });
    for (const auto& row : source) shrinker.push(row.data());
    std::vector<int> expected(height);
    for (int y = 0; y < height; ++y) expected[y] = y;
    EXPECT_EQ(order, expected) << "every row once, top to bottom";
    return rows;
}

std::uint32_t grey(std::uint32_t v) { return v << 16 | v << 8 | v; }

TEST(Shrinker, AveragesWholeBlocks) {
    const auto rows = shrink({{grey(0), grey(100), grey(10), grey(20)}, {grey(200), grey(100), grey(30), grey(40)}}, 2, 1);
    EXPECT_EQ(rows[0], (std::vector<std::uint32_t>{grey(100), grey(25)}));
}

TEST(Shrinker, SharesPixelsThatStraddleTwoDestinationPixels) {
    // Three source pixels into two: the middle one counts half for each.
    const auto rows = shrink({{grey(0), grey(90), grey(180)}, {grey(0), grey(90), grey(180)}, {grey(0), grey(90), grey(180)}}, 2, 2);
    EXPECT_EQ(rows[0], (std::vector<std::uint32_t>{grey(30), grey(150)}));
    EXPECT_EQ(rows[1], rows[0]);
}

TEST(Shrinker, KeepsColoursChannelByChannelAndTheSameSizeUnchanged) {
    const std::vector<std::vector<std::uint32_t>> source = {{0xFF0000, 0x00FF00}, {0x0000FF, 0x123456}};
    EXPECT_EQ(shrink(source, 2, 2), source);
    // Red (255 + 0 + 0 + 18) / 4 = 68, green (0 + 255 + 0 + 52) / 4 = 77, blue (0 + 0 + 255 + 86) / 4 = 85.
    EXPECT_EQ(shrink(source, 1, 1)[0][0], (68u << 16) | (77u << 8) | 85u);
}

TEST(Shrinker, AnEdgeOnABlockBoundaryStaysSharpAndFlatAreasStayFlat) {
    std::vector<std::vector<std::uint32_t>> source(9, std::vector<std::uint32_t>(9, 0xFFFF33));
    for (auto& row : source)
        for (int x = 0; x < 3; ++x) row[x] = 0;
    for (const auto& row : shrink(source, 3, 3)) EXPECT_EQ(row, (std::vector<std::uint32_t>{0, 0xFFFF33, 0xFFFF33}));
    for (const auto& row : shrink(source, 7, 5))
        EXPECT_EQ(row.back(), 0xFFFF33u) << "flat yellow far from the edge";
}

}  // namespace
