#include "export/picture_file.h"

#include <algorithm>
#include <cwctype>

namespace {

std::wstring lower(std::wstring_view text) {
    std::wstring result(text);
    std::transform(result.begin(), result.end(), result.begin(), [](wchar_t c) { return std::towlower(c); });
    return result;
}

}  // namespace

std::optional<PictureKind> picture_kind_of(std::wstring_view path) {
    const auto dot = path.find_last_of(L'.');
    const auto separator = path.find_last_of(L"\\/");
    if (dot == std::wstring_view::npos || (separator != std::wstring_view::npos && dot < separator)) return std::nullopt;
    const std::wstring extension = lower(path.substr(dot + 1));
    if (extension == L"png") return PictureKind::Png;
    if (extension == L"jpg" || extension == L"jpeg") return PictureKind::Jpeg;
    if (extension == L"bmp") return PictureKind::Bmp;
    if (extension == L"pdf") return PictureKind::Pdf;
    return std::nullopt;
}

std::wstring_view extension_of(PictureKind kind) {
    switch (kind) {
        case PictureKind::Jpeg: return L"jpg";
        case PictureKind::Bmp: return L"bmp";
        case PictureKind::Pdf: return L"pdf";
        case PictureKind::Png: break;
    }
    return L"png";
}

std::wstring default_picture_name(std::wstring_view number) {
    return L"挪车卡_" + std::wstring(number) + L".png";
}

std::optional<PictureSize> picture_size_for_dpi(int dpi) {
    if (dpi == kPrintQuality.dpi) return kPrintQuality;
    if (dpi == kScreenSize.dpi) return kScreenSize;
    return std::nullopt;
}
