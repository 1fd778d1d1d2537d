// The choices behind a picture file of the card: its format from its name, its default name,
// and its size.
#pragma once

#include <optional>
#include <string>
#include <string_view>

enum class PictureKind { Png, Jpeg, Bmp };

// By the file name's extension, whatever its case: .png, .jpg or .jpeg, .bmp.
std::optional<PictureKind> picture_kind_of(std::wstring_view path);
std::wstring_view extension_of(PictureKind kind);  // "png", "jpg", "bmp"

// "挪车卡_<number>.png"
std::wstring default_picture_name(std::wstring_view number);

// The card window's 1199 x 548 pixels stand for the card at 100 dpi; the print-quality
// picture is the card drawn three times as fine, at 300 dpi. The resolution is written into
// the file, so any viewer prints either at the card's size.
struct PictureSize {
    double scale;
    int dpi;
};
inline constexpr PictureSize kPrintQuality{3.0, 300};
inline constexpr PictureSize kScreenSize{1.0, 100};
std::optional<PictureSize> picture_size_for_dpi(int dpi);
