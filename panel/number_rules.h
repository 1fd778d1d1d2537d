// What may go into the number box: digits and at most one decimal point, whether typed or
// pasted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace number_rules {

inline constexpr std::int16_t kBackspace = 8;
inline constexpr std::int16_t kPoint = 46;  // "."
inline constexpr std::int16_t kDropped = 0;

// The key filter: the character code to let through for a key press, or kDropped. The point
// is judged against the whole current text, whatever part of it is selected.
std::int16_t filter_key(std::int16_t code, std::wstring_view text);

// What a paste may insert in place of the selection: the digits of the pasted text and at
// most one point (none while the box holds one already), cut to the room the limit leaves.
// Full-width digits and points count as their ASCII forms, and a leading country code
// "+86" or "0086" is not part of the number.
std::wstring admit_paste(std::wstring_view pasted, std::wstring_view text, std::size_t selected,
                         std::size_t max_length);

}  // namespace number_rules
