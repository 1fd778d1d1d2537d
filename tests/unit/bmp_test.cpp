#include "picture/bmp.h"

#include <gtest/gtest.h>

namespace {

std::uint32_t read32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
std::uint16_t read16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

picture::Pixels numbered(int width, int height) {
    picture::Pixels picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.set(x, y, static_cast<std::uint32_t>(0x010203 * (y * width + x + 1)) & 0x00FFFFFF);
    return picture;
}

TEST(Bmp, HeadersAndRowPaddingForEachWidthModuloFour) {
    const struct {
        int width;
        std::size_t row_size;
    } cases[] = {{1, 4}, {2, 8}, {3, 12}, {4, 12}, {5, 16}, {1199, 3600}};
    for (const auto& c : cases) {
        const auto bytes = picture::encode_bmp(numbered(c.width, 3));
        SCOPED_TRACE(c.width);
        ASSERT_EQ(bytes.size(), 54 + c.row_size * 3);
        EXPECT_EQ(bytes[0], 'B');
        EXPECT_EQ(bytes[1], 'M');
        EXPECT_EQ(read32(bytes, 2), bytes.size());
        EXPECT_EQ(read32(bytes, 10), 54u);
        EXPECT_EQ(read32(bytes, 14), 40u);
        EXPECT_EQ(static_cast<int>(read32(bytes, 18)), c.width);
        EXPECT_EQ(static_cast<int>(read32(bytes, 22)), 3);  // positive: bottom-up
        EXPECT_EQ(read16(bytes, 26), 1);
        EXPECT_EQ(read16(bytes, 28), 24);
        EXPECT_EQ(read32(bytes, 30), 0u);
        EXPECT_EQ(read32(bytes, 34), c.row_size * 3);
        // Padding bytes at the end of every row are zero.
        for (int row = 0; row < 3; ++row)
            for (std::size_t i = static_cast<std::size_t>(c.width) * 3; i < c.row_size; ++i)
                EXPECT_EQ(bytes[54 + row * c.row_size + i], 0) << "row " << row;
    }
}

TEST(Bmp, RowsAreStoredBottomUpInBlueGreenRedOrder) {
    picture::Pixels picture(2, 2);
    const std::uint32_t top_row[] = {0xFF112233, 0x00445566};  // the top byte is not a colour
    picture.set_row(0, top_row);
    picture.set(0, 1, 0x00778899);
    picture.set(1, 1, 0x00AABBCC);
    const auto bytes = picture::encode_bmp(picture);
    const std::vector<std::uint8_t> bottom_row_first = {0x99, 0x88, 0x77, 0xCC, 0xBB, 0xAA, 0, 0,
                                                        0x33, 0x22, 0x11, 0x66, 0x55, 0x44, 0, 0};
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 54, bytes.end()), bottom_row_first);
}

// Each pixel lands where a BMP reader looks for it: the row counted from the bottom, rows
// padded to four bytes, blue first.
TEST(Bmp, EachPixelLandsAtItsOffsetInTheFile) {
    for (const int width : {1, 2, 3, 4, 5, 1199}) {
        const int height = 3;
        const auto bytes = picture::encode_bmp(numbered(width, height));
        const std::size_t row = static_cast<std::size_t>((width * 3 + 3) / 4 * 4);
        SCOPED_TRACE(width);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const std::uint32_t colour = static_cast<std::uint32_t>(0x010203 * (y * width + x + 1)) & 0x00FFFFFF;
                const std::size_t at = 54 + row * static_cast<std::size_t>(height - 1 - y) + static_cast<std::size_t>(x) * 3;
                ASSERT_EQ(bytes[at], colour & 0xFF) << x << "," << y;
                ASSERT_EQ(bytes[at + 1], (colour >> 8) & 0xFF) << x << "," << y;
                ASSERT_EQ(bytes[at + 2], colour >> 16) << x << "," << y;
            }
    }
}

// A picture drawn again in the memory it holds (a save draws the card into the memory of the
// last one): black all over at its new size, nothing left of the old picture, and no new
// memory while the old is large enough; a larger one gets more.
TEST(Pixels, ResetGivesABlackPictureOfTheNewSizeInTheMemoryItHolds) {
    const struct {
        int width, height;
        bool same_memory;
    } cases[] = {{7, 5, true}, {5, 7, true}, {3, 2, true}, {9, 9, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
        picture::Pixels picture = numbered(7, 5);
        const std::uint8_t* memory = picture.bytes().data();
        picture.reset(c.width, c.height);
        EXPECT_EQ(picture.width(), c.width);
        EXPECT_EQ(picture.height(), c.height);
        EXPECT_EQ(picture.bytes(), picture::Pixels(c.width, c.height).bytes());
        EXPECT_EQ(picture.bytes().data() == memory, c.same_memory);
    }
}

}  // namespace
