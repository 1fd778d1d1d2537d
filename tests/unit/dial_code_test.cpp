#include "card/dial_code.h"

#include <gtest/gtest.h>

namespace {

TEST(DialCode, OnlyAWholeNumberOfDigitsGetsACode) {
    const struct {
        const wchar_t* number;
        std::size_t full_length;
        const char* code;
    } cases[] = {
        {L"13800138000", 11, "tel:13800138000"},
        {L"12345678", 8, "tel:12345678"},
        {L"1380013800", 11, ""},   // one short
        {L"12345678", 11, ""},     // whole for the other mode only
        {L"1380013800.", 11, ""},  // a point is not dialled
        {L"1234567.", 8, ""},
        {L"", 11, ""},
        {L"", 0, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(dial_code(c.number, c.full_length), c.code) << testing::PrintToString(std::wstring(c.number));
}

TEST(DialCode, OnTheCommandLineEightOrElevenDigitsAreWhole) {
    EXPECT_EQ(dial_code(L"12345678", full_length_of(L"12345678")), "tel:12345678");
    EXPECT_EQ(dial_code(L"13800138000", full_length_of(L"13800138000")), "tel:13800138000");
    EXPECT_EQ(dial_code(L"12345", full_length_of(L"12345")), "");
    EXPECT_EQ(dial_code(L"123456789", full_length_of(L"123456789")), "");
}

}  // namespace
