#include "card/qr_code.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace qr {
namespace {

// Per level (L, M, Q, H) and version (1 to 10): the published block structure. Each block
// carries the same number of error correction codewords.
constexpr int kEcCodewordsPerBlock[4][kMaxVersion] = {
    {7, 10, 15, 20, 26, 18, 20, 24, 30, 18},
    {10, 16, 26, 18, 24, 16, 18, 22, 22, 26},
    {13, 22, 18, 26, 18, 24, 18, 22, 20, 24},
    {17, 28, 22, 16, 22, 28, 26, 26, 24, 28},
};
constexpr int kBlockCount[4][kMaxVersion] = {
    {1, 1, 1, 1, 1, 2, 2, 2, 2, 4},
    {1, 1, 1, 2, 2, 4, 4, 4, 5, 5},
    {1, 1, 2, 2, 4, 4, 6, 6, 8, 8},
    {1, 1, 2, 4, 4, 4, 5, 6, 8, 8},
};

// Rows and columns of the alignment pattern centres; 0 ends a list.
constexpr int kAlignmentCentres[kMaxVersion][3] = {
    {0},     {6, 18},     {6, 22},     {6, 26},     {6, 30},
    {6, 34}, {6, 22, 38}, {6, 24, 42}, {6, 26, 46}, {6, 28, 50},
};

// How the format information names each level; not in the order of strength.
constexpr int kLevelBits[4] = {0b01, 0b00, 0b11, 0b10};

int row_of(Level level) { return static_cast<int>(level); }

// ---- Arithmetic in GF(256) and over GF(2) ----

std::uint8_t gf_multiply(unsigned a, unsigned b) {
    unsigned product = 0;
    for (; b != 0; b >>= 1) {
        if (b & 1) product ^= a;
        a = (a & 0x80) ? (a << 1) ^ 0x11D : a << 1;  // times x, reduced
    }
    return static_cast<std::uint8_t>(product);
}

// The product of (x - 2^i) for i below the degree; coefficients from the highest power down.
std::vector<std::uint8_t> generator_polynomial(int degree) {
    std::vector<std::uint8_t> coefficients = {1};
    std::uint8_t root = 1;
    for (int i = 0; i < degree; ++i) {
        coefficients.push_back(0);
        for (std::size_t k = coefficients.size() - 1; k > 0; --k)
            coefficients[k] ^= gf_multiply(coefficients[k - 1], root);
        root = gf_multiply(root, 2);
    }
    return coefficients;
}

// The value followed by its check bits: the remainder of the value, shifted past them,
// divided by the generator over GF(2).
std::uint32_t with_check_bits(std::uint32_t value, std::uint32_t generator, int check_bits) {
    std::uint32_t remainder = value << check_bits;
    for (int bit = 31; bit >= check_bits; --bit)
        if (remainder >> bit & 1) remainder ^= generator << (bit - check_bits);
    return value << check_bits | remainder;
}

// The level and the mask, guarded against misreading and never all zero.
std::uint32_t format_bits(Level level, int mask) {
    const auto value = static_cast<std::uint32_t>(kLevelBits[row_of(level)] << 3 | mask);
    return with_check_bits(value, 0x537, 10) ^ 0x5412;
}

std::uint32_t version_bits(int version) {
    return with_check_bits(static_cast<std::uint32_t>(version), 0x1F25, 12);
}

// ---- The fixed patterns ----

// A symbol being drawn, which remembers the modules the fixed patterns took: data goes around
// them and masks leave them alone.
struct Draft {
    Symbol symbol;
    std::vector<bool> fixed;

    explicit Draft(int version)
        : symbol(version, 0), fixed(static_cast<std::size_t>(symbol.size() * symbol.size())) {}

    bool is_fixed(int x, int y) const {
        return fixed[static_cast<std::size_t>(y * symbol.size() + x)];
    }
    void put(int x, int y, bool dark) {
        symbol.set(x, y, dark);
        fixed[static_cast<std::size_t>(y * symbol.size() + x)] = true;
    }
};

struct Place {
    int x;
    int y;
};

// Where format bit i (0 the lowest) goes: beside the top-left finder, and split between the
// other two.
std::array<Place, 2> format_places(int i, int size) {
    const Place near_top_left = i < 6    ? Place{8, i}
                                : i < 8  ? Place{8, i + 1}
                                : i == 8 ? Place{7, 8}
                                         : Place{14 - i, 8};
    const Place split = i < 8 ? Place{size - 1 - i, 8} : Place{8, size - 15 + i};
    return {near_top_left, split};
}

// A finder with its light separator, which the symbol's edge cuts off.
void draw_finder(Draft& draft, int centre_x, int centre_y) {
    const int size = draft.symbol.size();
    for (int dy = -4; dy <= 4; ++dy) {
        for (int dx = -4; dx <= 4; ++dx) {
            const int x = centre_x + dx, y = centre_y + dy;
            if (x < 0 || y < 0 || x >= size || y >= size) continue;
            const int ring = std::max(std::abs(dx), std::abs(dy));
            draft.put(x, y, ring != 2 && ring != 4);
        }
    }
}

void draw_alignment(Draft& draft, int centre_x, int centre_y) {
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx)
            draft.put(centre_x + dx, centre_y + dy, std::max(std::abs(dx), std::abs(dy)) != 1);
}

void draw_alignments(Draft& draft) {
    const int* centres = kAlignmentCentres[draft.symbol.version() - 1];
    const int count =
        static_cast<int>(std::count_if(centres, centres + 3, [](int c) { return c != 0; }));
    for (int i = 0; i < count; ++i) {
        for (int j = 0; j < count; ++j) {
            const bool on_a_finder =
                (i == 0 && j == 0) || (i == 0 && j == count - 1) || (i == count - 1 && j == 0);
            if (!on_a_finder) draw_alignment(draft, centres[i], centres[j]);
        }
    }
}

// Format and version information go in once the mask is chosen, since the format names the
// mask; until then their modules are light, and the masks are scored that way.
void draw_format_and_version(Symbol& symbol, Level level) {
    const int size = symbol.size();
    const std::uint32_t format = format_bits(level, symbol.mask());
    for (int i = 0; i < 15; ++i)
        for (const Place& place : format_places(i, size))
            symbol.set(place.x, place.y, format >> i & 1);
    symbol.set(8, size - 8, true);  // always dark
    if (symbol.version() < 7) return;
    const std::uint32_t version = version_bits(symbol.version());
    for (int i = 0; i < 18; ++i) {
        symbol.set(size - 11 + i % 3, i / 3, version >> i & 1);
        symbol.set(i / 3, size - 11 + i % 3, version >> i & 1);
    }
}

Draft fixed_patterns(int version) {
    Draft draft(version);
    const int size = draft.symbol.size();
    for (int i = 0; i < size; ++i) {
        draft.put(i, 6, i % 2 == 0);
        draft.put(6, i, i % 2 == 0);
    }
    draw_finder(draft, 3, 3);
    draw_finder(draft, size - 4, 3);
    draw_finder(draft, 3, size - 4);
    draw_alignments(draft);
    // Held light for the format and version information.
    for (int i = 0; i < 15; ++i)
        for (const Place& place : format_places(i, size)) draft.put(place.x, place.y, false);
    draft.put(8, size - 8, false);
    for (int i = 0; version >= 7 && i < 18; ++i) {
        draft.put(size - 11 + i % 3, i / 3, false);
        draft.put(i / 3, size - 11 + i % 3, false);
    }
    return draft;
}

// ---- Capacity ----

int total_codewords(int version) {
    const Draft draft = fixed_patterns(version);
    return static_cast<int>(std::count(draft.fixed.begin(), draft.fixed.end(), false)) / 8;
}

int data_codeword_count(int version, Level level) {
    const int v = version - 1, l = row_of(level);
    return total_codewords(version) - kBlockCount[l][v] * kEcCodewordsPerBlock[l][v];
}

int count_bits(int version) { return version < 10 ? 8 : 16; }

int byte_capacity(int version, Level level) {
    return (data_codeword_count(version, level) * 8 - 4 - count_bits(version)) / 8;
}

// The smallest version that holds the bytes, or 0.
int smallest_version(std::size_t byte_count, Level level) {
    for (int version = 1; version <= kMaxVersion; ++version)
        if (byte_count <= static_cast<std::size_t>(byte_capacity(version, level))) return version;
    return 0;
}

// ---- Codewords ----

class BitWriter {
  public:
    void append(std::uint32_t value, int count) {
        for (int i = count - 1; i >= 0; --i) bits_.push_back(value >> i & 1);
    }
    std::size_t size() const { return bits_.size(); }
    // Zeros fill the last byte.
    std::vector<std::uint8_t> bytes() const {
        std::vector<std::uint8_t> bytes((bits_.size() + 7) / 8);
        for (std::size_t i = 0; i < bits_.size(); ++i)
            if (bits_[i]) bytes[i / 8] |= static_cast<std::uint8_t>(0x80 >> i % 8);
        return bytes;
    }

  private:
    std::vector<bool> bits_;
};

// The i-th codeword of every block in turn, for each i, so that a stain damages many blocks a
// little rather than one block beyond repair.
void interleave(const std::vector<std::vector<std::uint8_t>>& blocks,
                std::vector<std::uint8_t>& out) {
    std::size_t longest = 0;
    for (const auto& block : blocks) longest = std::max(longest, block.size());
    for (std::size_t i = 0; i < longest; ++i)
        for (const auto& block : blocks)
            if (i < block.size()) out.push_back(block[i]);
}

// The data split into blocks, the longer ones last, each followed by its error correction.
std::vector<std::uint8_t> final_codewords(const std::vector<std::uint8_t>& data, int version,
                                          Level level) {
    const int block_count = kBlockCount[row_of(level)][version - 1];
    const int ec_codewords = kEcCodewordsPerBlock[row_of(level)][version - 1];
    const std::size_t short_length = data.size() / block_count;
    const std::size_t long_blocks = data.size() % block_count;
    std::vector<std::vector<std::uint8_t>> data_blocks, ec_blocks;
    auto next = data.begin();
    for (int b = 0; b < block_count; ++b) {
        const std::size_t length =
            short_length + (b >= block_count - static_cast<int>(long_blocks) ? 1 : 0);
        data_blocks.emplace_back(next, next + static_cast<std::ptrdiff_t>(length));
        next += static_cast<std::ptrdiff_t>(length);
        ec_blocks.push_back(reed_solomon_remainder(data_blocks.back(), ec_codewords));
    }
    std::vector<std::uint8_t> out;
    interleave(data_blocks, out);
    interleave(ec_blocks, out);
    return out;
}

// ---- Data, masks and the choice of mask ----

// Two columns at a time from the right, up then down, skipping the vertical timing pattern.
// The bits the codewords do not fill stay light.
void place_data(Draft& draft, const std::vector<std::uint8_t>& codewords) {
    const int size = draft.symbol.size();
    const std::size_t bit_count = codewords.size() * 8;
    std::size_t bit = 0;
    bool upward = true;
    for (int right = size - 1; right > 0; right -= 2) {
        if (right == 6) right = 5;
        for (int step = 0; step < size; ++step) {
            const int y = upward ? size - 1 - step : step;
            for (const int x : {right, right - 1}) {
                if (draft.is_fixed(x, y)) continue;
                draft.symbol.set(x, y,
                                 bit < bit_count && (codewords[bit / 8] >> (7 - bit % 8) & 1));
                ++bit;
            }
        }
        upward = !upward;
    }
}

bool mask_flips(int mask, int x, int y) {
    switch (mask) {
        case 0:
            return (x + y) % 2 == 0;
        case 1:
            return y % 2 == 0;
        case 2:
            return x % 3 == 0;
        case 3:
            return (x + y) % 3 == 0;
        case 4:
            return (y / 2 + x / 3) % 2 == 0;
        case 5:
            return x * y % 2 + x * y % 3 == 0;
        case 6:
            return (x * y % 2 + x * y % 3) % 2 == 0;
        default:
            return ((x + y) % 2 + x * y % 3) % 2 == 0;
    }
}

Symbol masked(const Draft& draft, int mask) {
    Symbol symbol(draft.symbol.version(), mask);
    for (int y = 0; y < symbol.size(); ++y)
        for (int x = 0; x < symbol.size(); ++x)
            symbol.set(
                x, y, draft.symbol.dark(x, y) != (!draft.is_fixed(x, y) && mask_flips(mask, x, y)));
    return symbol;
}

Symbol with_lowest_penalty(const Draft& draft) {
    Symbol best = masked(draft, 0);
    int best_penalty = penalty(best);
    for (int mask = 1; mask < 8; ++mask) {
        Symbol candidate = masked(draft, mask);
        const int candidate_penalty = penalty(candidate);
        if (candidate_penalty < best_penalty) {
            best = std::move(candidate);
            best_penalty = candidate_penalty;
        }
    }
    return best;
}

// ---- Penalty ----

// One row, or one column, as a line of modules.
std::vector<bool> line(const Symbol& symbol, int index, bool column) {
    std::vector<bool> modules(static_cast<std::size_t>(symbol.size()));
    for (int i = 0; i < symbol.size(); ++i)
        modules[static_cast<std::size_t>(i)] =
            column ? symbol.dark(index, i) : symbol.dark(i, index);
    return modules;
}

// Five or more modules of one colour in a row.
int run_penalty(const std::vector<bool>& modules) {
    int total = 0;
    std::size_t start = 0;
    for (std::size_t i = 1; i <= modules.size(); ++i) {
        if (i < modules.size() && modules[i] == modules[start]) continue;
        const int run = static_cast<int>(i - start);
        if (run >= 5) total += 3 + (run - 5);
        start = i;
    }
    return total;
}

// Dark-light-dark-dark-dark-light-dark with four light modules before or after it: a reader
// could take it for a finder. The margin around the symbol is light. The line is scanned from
// its start and a match's modules are not looked at again, so light shared by two look-alikes
// counts for the first only.
int finder_like_penalty(const std::vector<bool>& modules) {
    static const bool kLightAfter[11] = {1, 0, 1, 1, 1, 0, 1, 0, 0, 0, 0};
    static const bool kLightBefore[11] = {0, 0, 0, 0, 1, 0, 1, 1, 1, 0, 1};
    std::vector<bool> with_margin(4, false);
    with_margin.insert(with_margin.end(), modules.begin(), modules.end());
    with_margin.insert(with_margin.end(), 4, false);
    int total = 0;
    for (std::size_t start = 0; start + 11 <= with_margin.size();) {
        const auto window = with_margin.begin() + static_cast<std::ptrdiff_t>(start);
        if (std::equal(kLightAfter, kLightAfter + 11, window) ||
            std::equal(kLightBefore, kLightBefore + 11, window)) {
            total += 40;
            start += 11;
        } else {
            ++start;
        }
    }
    return total;
}

int block_penalty(const Symbol& symbol) {
    int total = 0;
    for (int y = 0; y + 1 < symbol.size(); ++y) {
        for (int x = 0; x + 1 < symbol.size(); ++x) {
            const bool colour = symbol.dark(x, y);
            if (symbol.dark(x + 1, y) == colour && symbol.dark(x, y + 1) == colour &&
                symbol.dark(x + 1, y + 1) == colour)
                total += 3;
        }
    }
    return total;
}

// Ten for each full five percent that the dark share is away from half.
int balance_penalty(const Symbol& symbol) {
    const int total = symbol.size() * symbol.size();
    int dark = 0;
    for (int y = 0; y < symbol.size(); ++y)
        for (int x = 0; x < symbol.size(); ++x) dark += symbol.dark(x, y);
    return 10 * (std::abs(20 * dark - 10 * total) / total);
}

}  // namespace

Symbol::Symbol(int version, int mask)
    : version_(version), mask_(mask), dark_(static_cast<std::size_t>(size() * size())) {}

std::vector<std::uint8_t> data_codewords(std::string_view bytes, int version, Level level) {
    if (version < 1 || version > kMaxVersion) return {};
    if (bytes.size() > static_cast<std::size_t>(byte_capacity(version, level))) return {};
    const std::size_t capacity = static_cast<std::size_t>(data_codeword_count(version, level));
    BitWriter bits;
    bits.append(0b0100, 4);  // byte mode
    bits.append(static_cast<std::uint32_t>(bytes.size()), count_bits(version));
    for (const char c : bytes) bits.append(static_cast<std::uint8_t>(c), 8);
    bits.append(0,
                static_cast<int>(std::min<std::size_t>(4, capacity * 8 - bits.size())));  // the end
    std::vector<std::uint8_t> codewords = bits.bytes();
    for (std::uint8_t pad = 0xEC; codewords.size() < capacity; pad ^= 0xEC ^ 0x11)
        codewords.push_back(pad);
    return codewords;
}

std::vector<std::uint8_t> reed_solomon_remainder(const std::vector<std::uint8_t>& data,
                                                 int ec_codewords) {
    if (ec_codewords <= 0) return {};
    const std::vector<std::uint8_t> generator = generator_polynomial(ec_codewords);
    std::vector<std::uint8_t> remainder(static_cast<std::size_t>(ec_codewords));
    for (const std::uint8_t codeword : data) {
        const std::uint8_t factor = codeword ^ remainder.front();
        remainder.erase(remainder.begin());
        remainder.push_back(0);
        for (std::size_t k = 0; k < remainder.size(); ++k)
            remainder[k] ^= gf_multiply(generator[k + 1], factor);
    }
    return remainder;
}

int penalty(const Symbol& symbol) {
    int total = block_penalty(symbol) + balance_penalty(symbol);
    for (int i = 0; i < symbol.size(); ++i) {
        for (const bool column : {false, true}) {
            const std::vector<bool> modules = line(symbol, i, column);
            total += run_penalty(modules) + finder_like_penalty(modules);
        }
    }
    return total;
}

std::optional<Symbol> encode(std::string_view bytes, Level level, Pinned pinned) {
    if (pinned.version < 0 || pinned.version > kMaxVersion || pinned.mask < -1 || pinned.mask > 7)
        return std::nullopt;
    const int smallest = smallest_version(bytes.size(), level);
    if (smallest == 0 || (pinned.version != 0 && pinned.version < smallest)) return std::nullopt;
    const int version = pinned.version != 0 ? pinned.version : smallest;

    Draft draft = fixed_patterns(version);
    place_data(draft, final_codewords(data_codewords(bytes, version, level), version, level));
    Symbol symbol = pinned.mask >= 0 ? masked(draft, pinned.mask) : with_lowest_penalty(draft);
    draw_format_and_version(symbol, level);
    return symbol;
}

}  // namespace qr
