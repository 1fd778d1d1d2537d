#include "export/save_path.h"

#include "panel/number_rules.h"

std::optional<std::wstring> saved_picture_path(std::wstring_view directory, std::wstring_view number) {
    if (!number_rules::is_safe_number(number)) return std::nullopt;
    std::wstring path(directory);
    if (path.empty() || (path.back() != L'\\' && path.back() != L'/')) path += L'\\';
    path.append(kSavedPictureName).append(number).append(L".bmp");
    return path;
}
