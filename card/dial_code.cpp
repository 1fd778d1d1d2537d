#include "card/dial_code.h"

#include <algorithm>

std::string dial_code(std::wstring_view number, std::size_t full_length) {
    const bool digits_only = std::all_of(number.begin(), number.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
    if (number.size() != full_length || !digits_only || number.empty()) return {};
    return "tel:" + std::string(number.begin(), number.end());
}

std::size_t full_length_of(std::wstring_view number) { return number.size() == 8 ? 8 : 11; }
