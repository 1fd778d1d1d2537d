// Where a saved card goes: the executable's directory, then "保存的临时停车牌_", the number
// and ".bmp". The number becomes part of a file name, so only a number that typing could
// have produced is taken.
#pragma once

#include <optional>
#include <string>
#include <string_view>

inline constexpr std::wstring_view kSavedPictureName = L"保存的临时停车牌_";

// True for a non-empty text of digits with at most one point.
bool is_safe_number(std::wstring_view text);

// The path of the picture for a number, or nothing when the number is not safe to put into
// a path. A directory reported with a trailing separator (the root of a drive) gets no
// second one.
std::optional<std::wstring> saved_picture_path(std::wstring_view directory, std::wstring_view number);
