// The choices behind a picture file of the card: its format from its name, its default name,
// its size, and for a PDF its paper.
#pragma once

#include <optional>
#include <string>
#include <string_view>

enum class PictureKind { Png, Jpeg, Bmp, Pdf };

// By the file name's extension, whatever its case: .png, .jpg or .jpeg, .bmp, .pdf.
std::optional<PictureKind> picture_kind_of(std::wstring_view path);
std::wstring_view extension_of(PictureKind kind);  // "png", "jpg", "bmp", "pdf"

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

// The page a PDF holds the print-quality card on: the card alone, edge to edge at its nominal
// size; landscape A4 as printing lays it out, with cut marks; or portrait A4 with two cards.
enum class PdfPaper { Card, A4, A4TwoCards };
