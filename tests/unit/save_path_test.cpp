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

}  // namespace
