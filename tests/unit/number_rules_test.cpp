#include "panel/number_rules.h"

#include <gtest/gtest.h>

namespace {

using number_rules::admit_paste;
using number_rules::filter_key;
using number_rules::kDropped;

struct KeyCase {
    std::int16_t code;
    const wchar_t* text;
    std::int16_t expected;
};

TEST(KeyFilter, KeepsDigitsBackspaceAndOnePoint) {
    const KeyCase cases[] = {
        {'0', L"", '0'},
        {'9', L"1.5", '9'},
        {8, L"", 8},          // backspace, always
        {8, L"1.", 8},
        {'.', L"", '.'},      // a first point
        {'.', L"12", '.'},
        {'.', L"1.2", kDropped},  // a second point, wherever the first is
        {'.', L".", kDropped},
        {'/', L"", kDropped},     // the neighbours of the digit range
        {':', L"", kDropped},
        {'a', L"", kDropped},
        {'-', L"", kDropped},
        {' ', L"", kDropped},
        {'+', L"", kDropped},
        {13, L"1", kDropped},     // Enter
        {22, L"1", kDropped},     // Ctrl+V as a character: no paste that way
        {3, L"1", kDropped},      // Ctrl+C
        {0, L"", kDropped},
        {static_cast<std::int16_t>(0x4E2D), L"", kDropped},  // 中
        {static_cast<std::int16_t>(0xFF11), L"", kDropped},  // full-width 1, negative as a signed code
        {static_cast<std::int16_t>(-20), L"", kDropped},
        {127, L"", kDropped},
    };
    for (const auto& c : cases)
        EXPECT_EQ(filter_key(c.code, c.text), c.expected) << "code " << c.code;
}

struct PasteCase {
    const wchar_t* pasted;
    const wchar_t* text;
    std::size_t selected;
    std::size_t max_length;
    const wchar_t* expected;
};

// China's country code before a number is not part of it: kept, its digits would make a
// different number that fills every box and that the QR code dials.
TEST(PasteFilter, DropsALeadingCountryCode) {
    const PasteCase cases[] = {
        {L"+86 138 0013 8000", L"", 0, 11, L"13800138000"},
        {L"+86-13800138000", L"", 0, 11, L"13800138000"},
        {L"+8613800138000", L"", 0, 11, L"13800138000"},
        {L"0086 138-0013-8000", L"", 0, 11, L"13800138000"},
        {L"008613800138000", L"", 0, 11, L"13800138000"},
        {L"  +86 - 138 0013 8000", L"", 0, 11, L"13800138000"},  // spaces before, spaces and a dash after
        {L"电话: +86 138 0013 8000", L"", 0, 11, L"13800138000"},  // words before the number
        {L"＋８６　１３８００１３８０００", L"", 0, 11, L"13800138000"},  // full-width, ideographic space
        {L"００８６－１３８", L"", 0, 11, L"138"},
        {L"+86 10 1234 5678", L"", 0, 8, L"10123456"},
        {L"138 0013 8000 +86", L"", 0, 11, L"13800138000"},       // a code only counts at the start
        {L"86 138 0013 8000", L"", 0, 11, L"86138001380"},        // 86 alone is digits like any
        {L"+852 2123 4567", L"", 0, 11, L"85221234567"},          // another country's code is not ours to drop
        {L"1+86 2", L"", 0, 11, L"1862"},
        {L".5", L"", 0, 11, L".5"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(admit_paste(c.pasted, c.text, c.selected, c.max_length), c.expected)
            << "pasting " << testing::PrintToString(std::wstring(c.pasted));
}

TEST(PasteFilter, KeepsDigitsAndOnePointWithinTheLimit) {
    const PasteCase cases[] = {
        {L"138-1234-5678", L"", 0, 11, L"13812345678"},
        {L"138 1234 5678 999", L"", 0, 11, L"13812345678"},  // cut to the limit
        {L"12345678901", L"", 0, 8, L"12345678"},
        {L"1.2.3", L"", 0, 11, L"1.23"},                  // one point only
        {L"4.5", L"1.", 0, 11, L"45"},                    // the box holds a point already
        {L"4.5", L"1.2", 3, 11, L"45"},                   // even when the point is selected
        {L"abc,;＋", L"", 0, 11, L""},
        {L"１２３．４５", L"", 0, 11, L"123.45"},           // full-width digits and point are digits and a point
        {L"１．２．３", L"1.", 0, 11, L"123"},
        {L"99", L"123456789", 0, 11, L"99"},
        {L"999", L"123456789", 0, 11, L"99"},
        {L"555", L"12345678901", 0, 11, L""},             // full box
        {L"555", L"12345678901", 3, 11, L"555"},          // replacing a selection frees room
        {L"", L"1", 0, 11, L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(admit_paste(c.pasted, c.text, c.selected, c.max_length), c.expected)
            << "pasting into " << testing::PrintToString(std::wstring(c.text));
}

}  // namespace
