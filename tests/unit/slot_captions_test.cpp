#include "card/slot_captions.h"

#include <gtest/gtest.h>

namespace {

using Captions = std::array<std::wstring, kSlotCount>;

TEST(SlotCaptions, FollowTheNumber) {
    const struct {
        const wchar_t* number;
        Captions expected;
    } cases[] = {
        {L"", {L"*", L"*", L"*", L"*", L"*", L"*", L"*", L"*", L"*", L"*", L"*"}},
        {L"1", {L"1", L"", L"", L"", L"", L"", L"", L"", L"", L"", L""}},
        {L"1.2", {L"1", L".", L"2", L"", L"", L"", L"", L"", L"", L"", L""}},
        {L"12345678", {L"1", L"2", L"3", L"4", L"5", L"6", L"7", L"8", L"", L"", L""}},
        {L"13800138000", {L"1", L"3", L"8", L"0", L"0", L"1", L"3", L"8", L"0", L"0", L"0"}},
        {L"1234567890123", {L"1", L"2", L"3", L"4", L"5", L"6", L"7", L"8", L"9", L"0", L"1"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(slot_captions(c.number), c.expected) << testing::PrintToString(std::wstring(c.number));
}

}  // namespace
