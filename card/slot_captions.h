// What the 11 digit slots on the card show for a number: slot k shows character k, slots
// past the end show nothing, and an empty number shows "*" everywhere.
#pragma once

#include <array>
#include <string>
#include <string_view>

inline constexpr std::size_t kSlotCount = 11;

using SlotCaptions = std::array<std::wstring, kSlotCount>;

SlotCaptions slot_captions(std::wstring_view number);
