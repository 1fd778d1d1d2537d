#include "panel/number_rules.h"

#include <algorithm>

namespace number_rules {
namespace {

bool is_digit(wchar_t c) { return c >= L'0' && c <= L'9'; }
bool holds_point(std::wstring_view text) { return text.find(L'.') != std::wstring_view::npos; }

}  // namespace

std::int16_t filter_key(std::int16_t code, std::wstring_view text) {
    if (code == kPoint && !holds_point(text)) return code;
    if (code == kBackspace) return code;
    if (code >= '0' && code <= '9') return code;
    return kDropped;
}

std::wstring admit_paste(std::wstring_view pasted, std::wstring_view text, std::size_t selected,
                         std::size_t max_length) {
    const std::size_t kept = text.size() - std::min(selected, text.size());
    const std::size_t room = max_length > kept ? max_length - kept : 0;
    bool point_allowed = !holds_point(text);
    std::wstring admitted;
    for (const wchar_t c : pasted) {
        if (admitted.size() == room) break;
        if (is_digit(c)) {
            admitted.push_back(c);
        } else if (c == L'.' && point_allowed) {
            admitted.push_back(c);
            point_allowed = false;
        }
    }
    return admitted;
}

}  // namespace number_rules
