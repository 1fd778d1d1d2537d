// QR codes for the card: a phone number as "tel:..." that a phone camera dials. Byte mode
// only, versions 1 to 10, which is far more than a phone number needs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace qr {

// How much of the symbol may be lost and still read: about 7, 15, 25 and 30 percent.
enum class Level { L, M, Q, H };

inline constexpr int kMaxVersion = 10;

// The square of modules, without the light margin a reader needs around it.
class Symbol {
  public:
    // All modules light.
    Symbol(int version, int mask);

    int version() const { return version_; }
    int mask() const { return mask_; }
    int size() const { return 17 + 4 * version_; }

    // x is the column and y the row, both from the top-left corner.
    bool dark(int x, int y) const { return dark_[index(x, y)]; }
    void set(int x, int y, bool dark) { dark_[index(x, y)] = dark; }

  private:
    std::size_t index(int x, int y) const { return static_cast<std::size_t>(y * size() + x); }

    int version_;
    int mask_;
    std::vector<bool> dark_;  // row by row
};

// Zero and -1 leave the version and the mask to the encoder.
struct Pinned {
    int version = 0;
    int mask = -1;
};

// The smallest version that holds the bytes (or the pinned one) with the mask of the lowest
// penalty (or the pinned one). Nothing when the bytes do not fit, or a pin is out of range.
std::optional<Symbol> encode(std::string_view bytes, Level level, Pinned pinned = {});

// The bit stream of the bytes in byte mode, ended and padded to the data capacity of the
// version and level. Empty when the bytes do not fit.
std::vector<std::uint8_t> data_codewords(std::string_view bytes, int version, Level level);

// The error correction codewords for one block of data codewords.
std::vector<std::uint8_t> reed_solomon_remainder(const std::vector<std::uint8_t>& data,
                                                 int ec_codewords);

// How hard the modules are to read: long runs, 2x2 blocks, finder look-alikes and an uneven
// share of dark modules all cost; the margin around the symbol counts as light. The encoder
// scores each mask before the format and version information go in, and keeps the lowest.
int penalty(const Symbol& symbol);

}  // namespace qr
