#include "export/save_path.h"

#include <gtest/gtest.h>

namespace {

TEST(SavePath, JoinsDirectoryNameNumberAndExtension) {
    const struct {
        const wchar_t* directory;
        const wchar_t* number;
        const wchar_t* expected;
    } cases[] = {
        {L"C:\\Tools\\Velmora", L"13800138000", L"C:\\Tools\\Velmora\\保存的临时停车牌_13800138000.bmp"},
        {L"C:\\", L"12345678", L"C:\\保存的临时停车牌_12345678.bmp"},  // drive root: one separator
        {L"Z:\\tmp/", L"1", L"Z:\\tmp/保存的临时停车牌_1.bmp"},
        {L"D:\\a", L"1.5", L"D:\\a\\保存的临时停车牌_1.5.bmp"},           // the number's point stays
        {L"\\\\server\\share", L"7", L"\\\\server\\share\\保存的临时停车牌_7.bmp"},
    };
    for (const auto& c : cases) {
        const auto path = saved_picture_path(c.directory, c.number);
        ASSERT_TRUE(path.has_value()) << testing::PrintToString(std::wstring(c.number));
        EXPECT_EQ(*path, c.expected);
    }
}

TEST(SavePath, RefusesNumbersThatAreNotSafeInAPath) {
    const wchar_t* numbers[] = {L"", L"..\\..\\Windows\\x", L"1/2", L"C:1", L"1.2.3", L"12*", L"abc"};
    for (const wchar_t* number : numbers)
        EXPECT_FALSE(saved_picture_path(L"C:\\Velmora", number).has_value())
            << testing::PrintToString(std::wstring(number));
}

TEST(SafeNumber, OnlyDigitsAndAtMostOnePoint) {
    EXPECT_TRUE(is_safe_number(L"13800138000"));
    EXPECT_TRUE(is_safe_number(L"1.2"));
    EXPECT_TRUE(is_safe_number(L"."));
    const wchar_t* unsafe[] = {L"", L"1.2.3", L"..", L"12a", L"..\\x", L"1/2", L"a:b", L"1 2", L"１２"};
    for (const wchar_t* text : unsafe) EXPECT_FALSE(is_safe_number(text)) << testing::PrintToString(std::wstring(text));
    EXPECT_FALSE(is_safe_number(std::wstring_view(L"12\0" L"3", 4)));
}

}  // namespace
