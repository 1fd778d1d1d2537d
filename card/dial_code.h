// What the card's QR code says: "tel:" and the number as typed, which a phone's camera offers
// to dial. Only a whole number gets a code, so that a code never dials part of one.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// "tel:<number>" when the number has the full length of the digit mode (8 or 11) and only
// digits; empty otherwise.
std::string dial_code(std::wstring_view number, std::size_t full_length);

// For a number given without a mode (the command line): 8 or 11 digits count as whole.
std::size_t full_length_of(std::wstring_view number);
