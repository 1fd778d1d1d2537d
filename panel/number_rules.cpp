#include "panel/number_rules.h"

#include <algorithm>

namespace number_rules {
namespace {

bool is_digit(wchar_t c) { return c >= L'0' && c <= L'9'; }
bool holds_point(std::wstring_view text) { return text.find(L'.') != std::wstring_view::npos; }

// Text copied from Chinese pages and chats often carries the full-width forms of digits, the
// point and the plus sign: in a paste they mean their ASCII forms.
wchar_t narrow(wchar_t c) {
    if (c >= L'０' && c <= L'９') return static_cast<wchar_t>(L'0' + (c - L'０'));
    if (c == L'．') return L'.';
    if (c == L'＋') return L'+';
    return c;
}

bool is_separator(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\u3000' || c == L'-' || c == L'－' || c == L'‐' || c == L'–' || c == L'—';
}

// The pasted text, without China's country code ("+86" or
// "0086", then any spaces or dashes) when the number begins with one: kept, its digits would
// run into the number and make a different, complete one.
std::wstring without_country_code(std::wstring_view pasted) {
    std::wstring text;
    for (const wchar_t c : pasted) text.push_back(narrow(c));
    const std::size_t start = text.find_first_of(L"+0123456789");
    if (start == std::wstring::npos) return text;
    for (const std::wstring_view code : {std::wstring_view(L"+86"), std::wstring_view(L"0086")}) {
        if (text.compare(start, code.size(), code) != 0) continue;
        std::size_t rest = start + code.size();
        while (rest < text.size() && is_separator(text[rest])) ++rest;
        return text.substr(rest);
    }
    return text;
}

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
    for (const wchar_t c : without_country_code(pasted)) {
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
