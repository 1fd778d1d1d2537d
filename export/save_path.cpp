#include "export/save_path.h"

#include <algorithm>

bool is_safe_number(std::wstring_view text) {
    const auto is_digit_or_point = [](wchar_t c) { return (c >= L'0' && c <= L'9') || c == L'.'; };
    return !text.empty() && std::all_of(text.begin(), text.end(), is_digit_or_point) &&
           std::count(text.begin(), text.end(), L'.') <= 1;
}

std::optional<std::wstring> saved_picture_path(std::wstring_view directory, std::wstring_view number) {
    if (!is_safe_number(number)) return std::nullopt;
    std::wstring path(directory);
    if (path.empty() || (path.back() != L'\\' && path.back() != L'/')) path += L'\\';
    path.append(kSavedPictureName).append(number).append(L".bmp");
    return path;
}
