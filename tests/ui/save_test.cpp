// The save button and the save that follows it: the file beside the executable, the windows
// given back, the messages, and what happens when the number or the write is not right.
#include <filesystem>
#include <fstream>
#include <iterator>

#include "desktop/bmp.h"
#include "export/save_path.h"
#include "program_fixture.h"

namespace {

std::wstring picture_path(const std::wstring& number) {
    return *saved_picture_path(desktop::executable_directory(), number);
}

std::vector<std::uint8_t> read_file(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class SaveTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        start();
    }
    void TearDown() override {
        for (const auto& path : made) {
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(path.c_str());
            RemoveDirectoryW(path.c_str());
        }
        ProgramTest::TearDown();
    }

    // Types the number, presses the save button answering the confirmation with `answer`.
    void request_save(const std::wstring& number, int answer = desktop::kAnswerNo) {
        made.push_back(picture_path(number));
        type(number);
        answers.push_back(answer);
        click(panel().save_button);
    }
    bool wait_for_save_to_finish() {
        return pump_until([this] { return !app().save().pending(); }, 5000);
    }

    std::vector<std::wstring> made;
};

TEST_F(SaveTest, EmptyNumberGivesOneMessageAndNothingElse) {
    click(panel().save_button);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, L"号码不能为空!");
    EXPECT_EQ(boxes[1].flags, 16u);
    EXPECT_EQ(boxes[1].title, L"Velmora");
    EXPECT_TRUE(panel().visible());
    EXPECT_FALSE(app().save().pending());
}

TEST_F(SaveTest, ConfirmationShowsTheNumberAndYesCancels) {
    request_save(L"1.5", desktop::kAnswerYes);
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[1].title, L"号码确认");
    EXPECT_EQ(boxes[1].flags, 292u);
    EXPECT_EQ(boxes[1].text, L"请确认下列输入的号码是否有错误:\r\n{ 1.5 }\r\n按下 是 取消保存, 按下 否 以继续保存");
    EXPECT_EQ(boxes[2].title, L"保存被终止");
    EXPECT_EQ(boxes[2].flags, 48u);
    EXPECT_EQ(boxes[2].text, L"用户取消了保存, 图片保存失败!\r\n原因: 用户将号码确认为错误");
    EXPECT_TRUE(panel().visible());
    EXPECT_FALSE(card().topmost());
    EXPECT_FALSE(app().save().pending());
    pump_for(400);
    EXPECT_FALSE(exists(picture_path(L"1.5")));
}

TEST_F(SaveTest, ConfirmedSaveWritesTheCardAsDrawnAndGivesTheWindowsBack) {
    put_text_on_clipboard(L"what the user copied");
    request_save(L"13800138000");

    // Save pending: card on top, panel hidden, and the watchdog leaves it hidden.
    EXPECT_TRUE(card().topmost());
    EXPECT_FALSE(panel().visible());
    EXPECT_TRUE(app().save().pending());
    pump_for(150);
    EXPECT_FALSE(panel().visible());

    ASSERT_TRUE(wait_for_save_to_finish());
    ASSERT_EQ(titles(), (std::vector<std::wstring>{L"使用前提示", L"号码确认", L"保存提示"}));
    EXPECT_EQ(boxes[2].flags, 64u);
    EXPECT_EQ(boxes[2].text, L"图片已被保存至本程序同一路径内! 路径位置:\r\n" + desktop::executable_directory());

    const auto bytes = read_file(picture_path(L"13800138000"));
    EXPECT_EQ(bytes, desktop::encode_bmp(card().render()));
    ASSERT_GE(bytes.size(), 26u);
    EXPECT_EQ(bytes[18] | bytes[19] << 8, 1199);
    EXPECT_EQ(bytes[22] | bytes[23] << 8, 548);

    EXPECT_TRUE(panel().visible());
    EXPECT_TRUE(panel().topmost());
    EXPECT_FALSE(card().topmost());
    EXPECT_EQ(clipboard_text(), L"what the user copied");
}

TEST_F(SaveTest, AnOlderFileOfTheSameNameIsReplacedWhole) {
    const std::wstring path = picture_path(L"12345678");
    { std::ofstream(std::filesystem::path(path), std::ios::binary) << std::string(5'000'000, 'x'); }
    request_save(L"12345678");
    ASSERT_TRUE(wait_for_save_to_finish());
    EXPECT_EQ(read_file(path).size(), 54u + 3600u * 548u);
    EXPECT_EQ(boxes.back().title, L"保存提示");
}

TEST_F(SaveTest, TicksDuringARunStartNoSecondRun) {
    int runs_seen_while_open = 0;
    while_box_open = [&](const desktop::MessageBoxRequest& request) {
        if (request.title != L"保存提示") return;
        pump_for(800);  // the save timer still runs: its ticks come and must be ignored
        ++runs_seen_while_open;
    };
    request_save(L"55");
    ASSERT_TRUE(wait_for_save_to_finish());
    EXPECT_EQ(runs_seen_while_open, 1);
    EXPECT_EQ(titles(), (std::vector<std::wstring>{L"使用前提示", L"号码确认", L"保存提示"}));
}

TEST_F(SaveTest, APanelClosedWhileTheReportIsOpenComesBackWhenTheSaveEnds) {
    while_box_open = [this](const desktop::MessageBoxRequest& request) {
        if (request.title != L"保存提示") return;
        panel().close();
        pump_for(100);  // the watchdog wakes, leaves the panel alone while the save is pending, rests
    };
    request_save(L"77");
    ASSERT_TRUE(wait_for_save_to_finish());
    EXPECT_TRUE(pump_until([this] { return panel_shown(); }, 1000));
}

TEST_F(SaveTest, AFailedWriteIsReportedWithThePathAndLeavesNoFile) {
    // A directory where the picture should go: no process, however privileged, can replace it.
    const std::wstring path = picture_path(L"666");
    ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
    request_save(L"666");
    ASSERT_TRUE(wait_for_save_to_finish());

    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[2].title, L"保存失败");
    EXPECT_EQ(boxes[2].flags, 16u);
    EXPECT_EQ(boxes[2].text.rfind(L"图片没有保存!", 0), 0u);
    EXPECT_NE(boxes[2].text.find(path), std::wstring::npos);
    EXPECT_NE(boxes[2].text.find(L"原因: "), std::wstring::npos);
    EXPECT_EQ(GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY, static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_TRUE(panel().visible());
    EXPECT_TRUE(panel().topmost());
    EXPECT_FALSE(card().topmost());

    // Nothing half-written is left beside it either.
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((desktop::executable_directory() + L"\\vel*.tmp").c_str(), &found);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE);
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
}

TEST_F(SaveTest, ACardWithNothingToDrawIsNotSavedAsAnEmptyPicture) {
    card().watchdog.set_enabled(false);  // the watchdog would give the card its size back
    card().set_width(0);
    card().set_height(0);
    request_save(L"888");
    ASSERT_TRUE(wait_for_save_to_finish());
    EXPECT_EQ(boxes.back().title, L"保存失败");
    EXPECT_EQ(boxes.back().text, L"图片没有保存! 无法画出停车牌。");
    EXPECT_FALSE(exists(picture_path(L"888")));
}

TEST_F(SaveTest, AReadOnlyFileIsNotReplaced) {
    const std::wstring path = picture_path(L"777");
    { std::ofstream(std::filesystem::path(path), std::ios::binary) << "keep me"; }
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
    request_save(L"777");
    ASSERT_TRUE(wait_for_save_to_finish());
    EXPECT_EQ(boxes.back().title, L"保存失败");
    const auto bytes = read_file(path);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "keep me");
}

TEST_F(SaveTest, UnsafeNumbersAreRefusedWhereverTheyCameFrom) {
    // Text set on the box directly bypasses the key filter.
    panel().number_box.set_text(L"..\\x");
    click(panel().save_button);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].flags, 16u);
    EXPECT_NE(boxes[1].text.find(L"号码只能包含数字和一个小数点"), std::wstring::npos);
    EXPECT_FALSE(app().save().pending());

    // Changed behind the hidden panel after the confirmation: what was confirmed is saved,
    // and the card shows it again.
    panel().number_box.set_text(L"");
    request_save(L"42");
    panel().number_box.set_text(L"4/2");
    ASSERT_TRUE(wait_for_save_to_finish());
    EXPECT_EQ(boxes.back().title, L"保存提示");
    EXPECT_TRUE(exists(picture_path(L"42")));
    EXPECT_EQ(card().slot_caption(2), L"2");
    EXPECT_TRUE(panel().visible());
}

}  // namespace
