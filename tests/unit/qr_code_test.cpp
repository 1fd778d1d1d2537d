#include "card/qr_code.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using qr::Level;
using qr::Pinned;

struct ReferenceCase {
    std::string bytes;
    Level level;
    Pinned pinned;
    int version;  // what the reference encoder chose or was pinned to
    int mask;
    std::vector<std::string> rows;
};

// Symbols from another encoder, made by tools/make_qr_fixture.py.
const std::vector<ReferenceCase>& reference_cases() {
    static const std::vector<ReferenceCase> cases = {
#include "qr_reference.inc"
    };
    return cases;
}

std::string level_name(Level level) { return std::string(1, "LMQH"[static_cast<int>(level)]); }

std::string describe(const ReferenceCase& c) {
    return "level " + level_name(c.level) + ", pinned version " + std::to_string(c.pinned.version) +
           " mask " + std::to_string(c.pinned.mask) + ", " + std::to_string(c.bytes.size()) +
           " bytes: " + c.bytes.substr(0, 40);
}

std::vector<std::string> rows_of(const qr::Symbol& symbol) {
    std::vector<std::string> rows;
    for (int y = 0; y < symbol.size(); ++y) {
        std::string row;
        for (int x = 0; x < symbol.size(); ++x) row += symbol.dark(x, y) ? '#' : '.';
        rows.push_back(row);
    }
    return rows;
}

// One failure for the first row that differs rather than one for each.
void expect_same_rows(const std::vector<std::string>& actual,
                      const std::vector<std::string>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t y = 0; y < actual.size(); ++y) {
        if (actual[y] == expected[y]) continue;
        ADD_FAILURE() << "first difference in row " << y << "\n  got:      " << actual[y]
                      << "\n  expected: " << expected[y];
        return;
    }
}

// Every case pinned to the version and mask the reference ended up with: data, error
// correction, layout, format and version information, module for module.
TEST(QrReference, SameModulesAtTheSameVersionAndMask) {
    for (const ReferenceCase& c : reference_cases()) {
        SCOPED_TRACE(describe(c));
        const auto symbol = qr::encode(c.bytes, c.level, {c.version, c.mask});
        ASSERT_TRUE(symbol.has_value());
        EXPECT_EQ(symbol->version(), c.version);
        EXPECT_EQ(symbol->mask(), c.mask);
        expect_same_rows(rows_of(*symbol), c.rows);
    }
}

// The cases that leave the version or the mask open. Encoders read the penalty rules
// differently; the reference's choices match ours, which scores each mask before the format
// and version information go in (they count as light), lets the light margin complete a finder
// look-alike, and scans each line from its start without reusing a match's modules. Scored
// after the format information went in, or with a look-alike counted once for each light
// side, several of these cases come out with another mask.
TEST(QrReference, ChoosesTheSameVersionAndMask) {
    for (const ReferenceCase& c : reference_cases()) {
        if (c.pinned.version != 0 && c.pinned.mask != -1) continue;
        SCOPED_TRACE(describe(c));
        const auto symbol = qr::encode(c.bytes, c.level, c.pinned);
        ASSERT_TRUE(symbol.has_value());
        EXPECT_EQ(symbol->version(), c.version);
        EXPECT_EQ(symbol->mask(), c.mask);
        expect_same_rows(rows_of(*symbol), c.rows);
    }
}

// Byte capacity of versions 1 to 10, from the published tables.
struct CapacityRow {
    Level level;
    int bytes[qr::kMaxVersion];
};
const CapacityRow kCapacities[] = {
    {Level::L, {17, 32, 53, 78, 106, 134, 154, 192, 230, 271}},
    {Level::M, {14, 26, 42, 62, 84, 106, 122, 152, 180, 213}},
    {Level::Q, {11, 20, 32, 46, 60, 74, 86, 108, 130, 151}},
    {Level::H, {7, 14, 24, 34, 44, 58, 64, 84, 98, 119}},
};

TEST(QrEncode, SmallestVersionAtEachCapacityBoundary) {
    for (const CapacityRow& row : kCapacities) {
        for (int version = 1; version <= qr::kMaxVersion; ++version) {
            const std::size_t full = static_cast<std::size_t>(row.bytes[version - 1]);
            SCOPED_TRACE("level " + level_name(row.level) + ", version " + std::to_string(version));
            const auto fits = qr::encode(std::string(full, 'a'), row.level);
            ASSERT_TRUE(fits.has_value());
            EXPECT_EQ(fits->version(), version);
            const auto one_more = qr::encode(std::string(full + 1, 'a'), row.level);
            if (version < qr::kMaxVersion) {
                ASSERT_TRUE(one_more.has_value());
                EXPECT_EQ(one_more->version(), version + 1);
            } else {
                EXPECT_FALSE(one_more.has_value()) << "too long for any version";
            }
            // A pinned version holds exactly as much.
            EXPECT_TRUE(qr::encode(std::string(full, 'a'), row.level, {version, -1}).has_value());
            EXPECT_FALSE(
                qr::encode(std::string(full + 1, 'a'), row.level, {version, -1}).has_value());
        }
    }
}

TEST(QrEncode, RefusesPinsOutOfRange) {
    const Pinned bad[] = {{-1, -1}, {qr::kMaxVersion + 1, -1}, {1, -2}, {1, 8}};
    for (const Pinned& pinned : bad)
        EXPECT_FALSE(qr::encode("tel:110", Level::M, pinned).has_value())
            << "version " << pinned.version << " mask " << pinned.mask;
}

struct StreamCase {
    const char* bytes;
    int version;
    Level level;
    std::vector<std::uint8_t> expected;
};

// Worked by hand: 0100 for byte mode, the length in 8 bits, the bytes, 0000 to end, then
// 0xEC and 0x11 in turn up to the capacity. The end shrinks or goes when room runs out.
TEST(DataCodewords, ModeLengthBytesEndAndPadding) {
    const StreamCase cases[] = {
        {"tel:13800138000", 2, Level::Q, {0x40, 0xF7, 0x46, 0x56, 0xC3, 0xA3, 0x13, 0x33,
                                          0x83, 0x03, 0x03, 0x13, 0x33, 0x83, 0x03, 0x03,
                                          0x00, 0xEC, 0x11, 0xEC, 0x11, 0xEC}},
        {"tel:12345678", 2, Level::Q, {0x40, 0xC7, 0x46, 0x56, 0xC3, 0xA3, 0x13, 0x23,
                                       0x33, 0x43, 0x53, 0x63, 0x73, 0x80, 0xEC, 0x11,
                                       0xEC, 0x11, 0xEC, 0x11, 0xEC, 0x11}},
        // Full: four bits of room, all taken by the end.
        {"tel:1380013",
         1,
         Level::Q,
         {0x40, 0xB7, 0x46, 0x56, 0xC3, 0xA3, 0x13, 0x33, 0x83, 0x03, 0x03, 0x13, 0x30}},
        {"", 1, Level::H, {0x40, 0x00, 0xEC, 0x11, 0xEC, 0x11, 0xEC, 0x11, 0xEC}},
        {"tel:13800138", 1, Level::Q, {}},  // one byte too many
    };
    for (const StreamCase& c : cases)
        EXPECT_EQ(qr::data_codewords(c.bytes, c.version, c.level), c.expected) << c.bytes;
}

TEST(DataCodewords, SixteenBitLengthFromVersionTen) {
    const std::vector<std::uint8_t> nine = qr::data_codewords("A", 9, Level::L);
    const std::vector<std::uint8_t> ten = qr::data_codewords("A", 10, Level::L);
    ASSERT_EQ(nine.size(), 232u);  // data codewords of 9-L and 10-L
    ASSERT_EQ(ten.size(), 274u);
    EXPECT_EQ(std::vector<std::uint8_t>(nine.begin(), nine.begin() + 4),
              (std::vector<std::uint8_t>{0x40, 0x14, 0x10, 0xEC}));
    EXPECT_EQ(std::vector<std::uint8_t>(ten.begin(), ten.begin() + 5),
              (std::vector<std::uint8_t>{0x40, 0x00, 0x14, 0x10, 0xEC}));
}

struct RemainderCase {
    const char* block;
    std::vector<std::uint8_t> data;
    std::vector<std::uint8_t> ec;
};

// Worked examples that circulate with the symbology; each also checks out as a codeword
// whose syndromes are all zero.
TEST(ReedSolomon, KnownBlocks) {
    const RemainderCase cases[] = {
        {"\"01234567\" in numeric mode, 1-M",
         {0x10, 0x20, 0x0C, 0x56, 0x61, 0x80, 0xEC, 0x11, 0xEC, 0x11, 0xEC, 0x11, 0xEC, 0x11, 0xEC,
          0x11},
         {0xA5, 0x24, 0xD4, 0xC1, 0xED, 0x36, 0xC7, 0x87, 0x2C, 0x55}},
        {"\"HELLO WORLD\" in alphanumeric mode, 1-Q",
         {32, 91, 11, 120, 209, 114, 220, 77, 67, 64, 236, 17, 236},
         {168, 72, 22, 82, 217, 54, 156, 0, 46, 15, 180, 122, 16}},
        {"\"HELLO WORLD\" in alphanumeric mode, 1-M",
         {32, 91, 11, 120, 209, 114, 220, 77, 67, 64, 236, 17, 236, 17, 236, 17},
         {196, 35, 39, 119, 235, 215, 231, 226, 93, 23}},
    };
    for (const RemainderCase& c : cases) {
        EXPECT_EQ(qr::reed_solomon_remainder(c.data, static_cast<int>(c.ec.size())), c.ec)
            << c.block;
    }
}

struct PenaltyCase {
    const char* pattern;
    bool (*dark)(int x, int y);
    int expected;
};

constexpr char kFinderLike[] = "#.###.#....";  // repeated every 11 modules
constexpr char kLightBothSides[] = "#.#....#.###.#....#.#";
constexpr char kAgainstTheMargin[] = "#.###.##.##.##.##.##.";
constexpr char kSharingTheLight[] = "##.###.#....#.###.###";

// Totals counted by hand for a 21 x 21 square. The rules: 3 + (n - 5) for each run of n >= 5
// in a row or column, 3 for each 2 x 2 block of one colour, 40 for each finder look-alike
// (dark-light-dark-dark-dark-light-dark with four light modules before or after it, the margin
// around the symbol being light), and 10 for each full 5% that the dark share is away from half.
TEST(Penalty, HandCountedPatterns) {
    const PenaltyCase cases[] = {
        // Runs 42 lines * 19, blocks 400 * 3, balance 100.
        {"all light", [](int, int) { return false; }, 2098},
        {"all dark", [](int, int) { return true; }, 2098},
        {"checkerboard", [](int x, int y) { return (x + y) % 2 == 0; }, 0},
        // Balance alone: a third or two thirds dark is three full steps from half.
        {"diagonals, a third dark", [](int x, int y) { return (x + y) % 3 == 0; }, 30},
        {"diagonals, two thirds dark", [](int x, int y) { return (x + y) % 3 != 0; }, 30},
        // Runs alone: 21 lines * 19, in one direction.
        {"columns alternating", [](int x, int) { return x % 2 == 0; }, 399},
        {"rows alternating", [](int, int y) { return y % 2 == 0; }, 399},
        // Runs 399, blocks 10 column pairs * 20 row pairs * 3.
        {"column pairs alternating", [](int x, int) { return x / 2 % 2 == 0; }, 999},
        {"row pairs alternating", [](int, int y) { return y / 2 % 2 == 0; }, 999},
        // Runs 399, blocks 9 * 20 * 3, look-alikes 2 per line * 21 * 40: one with the margin
        // before it and light after, one with light before and the margin after.
        {"look-alikes every 11, rows", [](int x, int) { return kFinderLike[x % 11] == '#'; }, 2619},
        {"look-alikes every 11, columns", [](int, int y) { return kFinderLike[y % 11] == '#'; },
         2619},
        // Runs 399, blocks 8 * 20 * 3, one look-alike per line with light on both sides, counted
        // once: 21 * 40, balance 43% dark: 10.
        {"light on both sides, rows", [](int x, int) { return kLightBothSides[x] == '#'; }, 1729},
        {"light on both sides, columns", [](int, int y) { return kLightBothSides[y] == '#'; },
         1729},
        // Runs 399, blocks 7 * 20 * 3, one look-alike per line that only the margin completes:
        // 21 * 40, balance 67% dark: 30.
        {"against the margin, rows", [](int x, int) { return kAgainstTheMargin[x] == '#'; }, 1689},
        {"against the margin, columns", [](int, int y) { return kAgainstTheMargin[y] == '#'; },
         1689},
        // Runs 399, blocks 10 * 20 * 3, two look-alikes per line whose only light is the
        // stretch between them, which counts for one: 21 * 40, balance 62% dark: 20.
        {"sharing their light, rows", [](int x, int) { return kSharingTheLight[x] == '#'; }, 1859},
        {"sharing their light, columns", [](int, int y) { return kSharingTheLight[y] == '#'; },
         1859},
    };
    for (const PenaltyCase& c : cases) {
        qr::Symbol symbol(1, 0);
        for (int y = 0; y < symbol.size(); ++y)
            for (int x = 0; x < symbol.size(); ++x) symbol.set(x, y, c.dark(x, y));
        EXPECT_EQ(qr::penalty(symbol), c.expected) << c.pattern;
    }
}

}  // namespace
