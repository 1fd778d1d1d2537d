// The save button and the save that follows it: the file beside the executable, the windows
// given back, the messages, and what happens when the number, the write or the windows are
// not right.
#include <filesystem>
#include <fstream>
#include <iterator>

#include "assets/resource.h"
#include "export/save_path.h"
#include "os/files.h"
#include "program_fixture.h"

namespace {

constexpr int kCardWidth = 1199, kCardHeight = 548;

std::wstring picture_path(const std::wstring& number) {
    return *saved_picture_path(os::executable_directory(), number);
}

std::vector<std::uint8_t> read_file(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<std::wstring> temporary_files() {
    std::vector<std::wstring> found;
    for (const auto& entry : std::filesystem::directory_iterator(os::executable_directory()))
        if (entry.path().extension() == L".tmp") found.push_back(entry.path().filename().wstring());
    return found;
}

// The card artwork as the program carries it, read straight from the resource's bytes: a
// 32-bit bottom-up bitmap, blue, green, red, zero.
std::uint32_t artwork_pixel(int x, int y) {
    const HMODULE module = GetModuleHandleW(nullptr);
    const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(IDB_CARD), MAKEINTRESOURCEW(2));  // RT_BITMAP
    const auto* bytes = static_cast<const std::uint8_t*>(LockResource(LoadResource(module, found)));
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(bytes);
    const std::uint8_t* p = bytes + header->biSize + (std::size_t(header->biHeight - 1 - y) * header->biWidth + x) * 4;
    return std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
}

// A saved picture read from the file's raw bytes: 24-bit rows, bottom-up, padded to four.
struct SavedPicture {
    std::vector<std::uint8_t> bytes;
    int width() const { return bytes[18] | bytes[19] << 8; }
    int height() const { return bytes[22] | bytes[23] << 8; }
    std::uint32_t at(int x, int y) const {
        const std::size_t row = (std::size_t(width()) * 3 + 3) / 4 * 4;
        const std::uint8_t* p = bytes.data() + 54 + row * std::size_t(height() - 1 - y) + std::size_t(x) * 3;
        return std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
    }
};

bool dark(std::uint32_t colour) { return ((colour >> 16 & 0xFF) + (colour >> 8 & 0xFF) + (colour & 0xFF)) < 3 * 128; }

// Rows from the first to the last dark pixel in a slot, or 0 for none.
int ink_height(const SavedPicture& picture, const os::PixelRect& slot) {
    int top = -1, bottom = -1;
    for (int y = slot.top; y < slot.bottom; ++y)
        for (int x = slot.left; x < slot.right; ++x)
            if (dark(picture.at(x, y))) {
                if (top < 0) top = y;
                bottom = y;
            }
    return top < 0 ? 0 : bottom - top + 1;
}

class SaveTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(start());
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

    // The picture is the known artwork wherever no slot lies, and each slot shows the
    // number's character: a digit's ink stands tall, nothing where the number has ended.
    void expect_card_showing(const std::wstring& number) {
        SavedPicture picture{read_file(picture_path(number))};
        ASSERT_GE(picture.bytes.size(), 54u);
        ASSERT_EQ(picture.width(), kCardWidth);
        ASSERT_EQ(picture.height(), kCardHeight);
        const auto in_a_slot = [this](int x, int y) {
            for (int k = 1; k <= 11; ++k) {
                const os::PixelRect s = card().slot_bounds(k);
                if (x >= s.left && x < s.right && y >= s.top && y < s.bottom) return true;
            }
            return false;
        };
        int off_artwork = 0;
        for (int y = 0; y < kCardHeight; ++y)
            for (int x = 0; x < kCardWidth; ++x)
                if (!in_a_slot(x, y) && picture.at(x, y) != artwork_pixel(x, y)) ++off_artwork;
        EXPECT_EQ(off_artwork, 0) << "pixels that differ from the artwork outside the slots";
        for (int k = 1; k <= 11; ++k) {
            const int ink = ink_height(picture, card().slot_bounds(k));
            if (k > static_cast<int>(number.size())) {
                EXPECT_EQ(ink, 0) << "slot " << k << " past the number's end";
            } else if (number[k - 1] != L'.') {
                EXPECT_GT(ink, 60) << "slot " << k << " shows no digit";
            }
        }
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
    const unsigned long ticks_before = app().save().timer().ticks();
    pump_for(400);
    EXPECT_EQ(app().save().timer().ticks(), ticks_before) << "a cancelled save ticked";
    EXPECT_FALSE(exists(picture_path(L"1.5")));
}

TEST_F(SaveTest, ConfirmedSaveWritesTheCardWithTheNumberAndGivesTheWindowsBack) {
    put_text_on_clipboard(L"what the user copied");
    request_save(L"13800138000");

    // Save pending: card on top, panel hidden, and the watchdog leaves it hidden all along.
    EXPECT_TRUE(card().topmost());
    EXPECT_TRUE(app().save().pending());
    bool panel_seen_while_pending = false;
    ASSERT_TRUE(pump_until([&] {
        if (app().save().pending() && boxes.size() < 3 && panel().visible()) panel_seen_while_pending = true;
        return !app().save().pending();
    }, 5000));
    EXPECT_FALSE(panel_seen_while_pending);

    ASSERT_EQ(titles(), (std::vector<std::wstring>{L"使用前提示", L"号码确认", L"保存提示"}));
    EXPECT_EQ(boxes[2].flags, 64u);
    EXPECT_EQ(boxes[2].text, L"图片已被保存至本程序同一路径内! 路径位置:\r\n" + os::executable_directory());
    ASSERT_NO_FATAL_FAILURE(expect_card_showing(L"13800138000"));

    EXPECT_TRUE(panel().visible());
    EXPECT_TRUE(panel().topmost());
    EXPECT_FALSE(card().topmost());
    EXPECT_EQ(clipboard_text(), L"what the user copied");
    EXPECT_TRUE(temporary_files().empty());
}

TEST_F(SaveTest, EightDigitsLeaveTheLastThreeBoxesBlank) {
    click(panel().eight_digits);
    request_save(L"12345678");
    ASSERT_TRUE(wait_for_save_to_finish());
    ASSERT_NO_FATAL_FAILURE(expect_card_showing(L"12345678"));
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
    unsigned long ticks_during_report = 0;
    while_box_open = [&](const desktop::MessageBoxRequest& request) {
        if (request.title != L"保存提示") return;
        const unsigned long before = app().save().timer().ticks();
        pump_for(800);  // the save timer still runs: its ticks come and must start nothing
        ticks_during_report = app().save().timer().ticks() - before;
    };
    request_save(L"55");
    ASSERT_TRUE(wait_for_save_to_finish());
    EXPECT_GE(ticks_during_report, 2u) << "no tick fell due while the report was open";
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

// A message box stands above every window of the program, and no panel comes back over it
// while it is open, whoever closed what.
TEST_F(SaveTest, APanelClosedWhileTheConfirmationIsOpenComesBackOnlyAfterTheNextMessage) {
    bool panel_over_a_message = false;
    while_box_open = [&](const desktop::MessageBoxRequest& request) {
        if (request.title == L"号码确认") panel().close();
        if (request.title != L"保存被终止") return;
        pump_for(200);  // the watchdog ticks meanwhile
        panel_over_a_message = app().panel_loaded() && panel().visible() && request.owner != panel().handle();
    };
    request_save(L"99", desktop::kAnswerYes);
    EXPECT_FALSE(panel_over_a_message);
    EXPECT_EQ(titles().back(), L"保存被终止");
    EXPECT_TRUE(pump_until([this] { return panel_shown(); }, 1000));
}

// What a real About box found while it was open, and then closed it.
struct AboutBoxSeen {
    HWND owner = nullptr;
    BOOL card_enabled = TRUE;
} about_box_seen;

void CALLBACK look_at_about_box(HWND, UINT, UINT_PTR, DWORD) {
    const HWND box = FindWindowW(L"#32770", L"关于程序");
    if (!box || about_box_seen.owner) return;
    about_box_seen.owner = GetWindow(box, GW_OWNER);
    about_box_seen.card_enabled = IsWindowEnabled(FindWindowW(L"Velmora.Card", nullptr));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
}

TEST_F(SaveTest, MessagesAreOwnedByTheForemostWindowAndTheOthersWait) {
    desktop::answer_message_boxes_with({});  // a real box, answered by the watcher
    about_box_seen = {};
    const UINT_PTR watcher = SetTimer(nullptr, 0, 30, &look_at_about_box);
    click(panel().about_button);
    KillTimer(nullptr, watcher);
    const AboutBoxSeen& seen = about_box_seen;
    EXPECT_EQ(seen.owner, panel().handle());
    EXPECT_FALSE(seen.card_enabled) << "the card took input while the message was open";
    EXPECT_TRUE(IsWindowEnabled(card().handle()));
    EXPECT_EQ(GetFocus(), panel().number_box.handle());
}

// Whatever ends a save or a question, the windows come back and the number is selected in
// its box, ready to be corrected; a save that fails leaves no file behind.
TEST_F(SaveTest, EveryEndGivesTheWindowsAndTheNumberBack) {
    const struct {
        const char* what;
        std::function<void(SaveTest&)> arrange;
        std::wstring number;
        int answer;
        const wchar_t* title;
        unsigned flags;
        const wchar_t* text_starts;
    } cases[] = {
        {"saved", [](SaveTest&) {}, L"5550001", desktop::kAnswerNo, L"保存提示", 64, L"图片已被保存至本程序同一路径内!"},
        {"cancelled", [](SaveTest&) {}, L"5550002", desktop::kAnswerYes, L"保存被终止", 48, L"用户取消了保存"},
        {"a folder in the file's place",
         [](SaveTest&) { CreateDirectoryW(picture_path(L"5550003").c_str(), nullptr); }, L"5550003",
         desktop::kAnswerNo, L"保存失败", 16 + 4, L"图片没有保存! 无法写入文件:\r\n"},
        {"a read-only file",
         [](SaveTest&) {
             { std::ofstream(std::filesystem::path(picture_path(L"5550004")), std::ios::binary) << "keep me"; }
             SetFileAttributesW(picture_path(L"5550004").c_str(), FILE_ATTRIBUTE_READONLY);
         },
         L"5550004", desktop::kAnswerNo, L"保存失败", 16 + 4, L"图片没有保存! 无法写入文件:\r\n"},
        {"a card window squeezed to nothing: the card is drawn in memory all the same",
         [](SaveTest& t) {
             t.card().watchdog.set_enabled(false);  // it would give the card its size back
             t.card().set_width(0);
             t.card().set_height(0);
         },
         L"5550005", desktop::kAnswerNo, L"保存提示", 64, L"图片已被保存至本程序同一路径内!"},
        {"the card closed before saving",
         [](SaveTest& t) { t.while_box_open = [&t](const desktop::MessageBoxRequest& r) {
             if (r.title == L"号码确认") PostMessageW(t.card().handle(), WM_CLOSE, 0, 0);
         }; },
         L"5550006", desktop::kAnswerNo, L"保存失败", 16, L"图片没有保存! 停车牌的窗口在保存完成前被关闭了。"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.arrange(*this);
        const std::size_t before = boxes.size();
        panel().number_box.set_text(L"");
        request_save(c.number, c.answer);
        if (c.flags & desktop::kYesNo) answers.push_back(desktop::kAnswerNo);  // no, not elsewhere
        ASSERT_TRUE(wait_for_save_to_finish());
        while_box_open = nullptr;
        ASSERT_GT(boxes.size(), before);
        const desktop::MessageBoxRequest& last = boxes.back();
        EXPECT_EQ(last.title, c.title);
        EXPECT_EQ(last.flags, c.flags);
        EXPECT_EQ(last.text.rfind(c.text_starts, 0), 0u) << testing::PrintToString(last.text);
        if (last.title == std::wstring(L"保存失败") && last.text.find(L"无法写入文件") != std::wstring::npos) {
            EXPECT_NE(last.text.find(picture_path(c.number)), std::wstring::npos) << "the path is named";
            EXPECT_NE(last.text.find(L"\r\n原因: "), std::wstring::npos) << "the reason is given";
            EXPECT_NE(last.text.find(L"要另存到其他位置吗?"), std::wstring::npos) << "Save As is offered";
        }
        EXPECT_TRUE(temporary_files().empty());
        EXPECT_TRUE(panel().visible());
        EXPECT_TRUE(panel().topmost());
        if (app().card_loaded()) {
            EXPECT_FALSE(card().topmost());
        }
        EXPECT_EQ(GetFocus(), panel().number_box.handle());
        EXPECT_EQ(panel().number_box.selection(), std::make_pair(0, static_cast<int>(c.number.size())));
        if (last.title != std::wstring(L"保存提示")) {  // nothing written; what was there stays
            const DWORD attributes = GetFileAttributesW(picture_path(c.number).c_str());
            EXPECT_TRUE(attributes == INVALID_FILE_ATTRIBUTES ||
                        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)));
        }
        if (!card().watchdog.enabled()) {  // put the card back in shape for the next case
            card().watchdog.set_enabled(true);
            ASSERT_TRUE(pump_until([this] { return card().has_size(17985, 8220); }, 1000));
        }
    }
}

TEST_F(SaveTest, TheCardClosedWhileASaveIsPendingIsNotLoadedAgainByIt) {
    request_save(L"13911112222");
    card().close();
    ASSERT_TRUE(wait_for_save_to_finish());
    EXPECT_FALSE(app().card_loaded());
    EXPECT_EQ(titles(), (std::vector<std::wstring>{L"使用前提示", L"号码确认", L"保存失败"}));
    EXPECT_TRUE(panel().visible());
    EXPECT_FALSE(exists(picture_path(L"13911112222")));
}

// A card closed and loaded again by the save's confirmation starts from "*" in every slot;
// the picture written shows the number its name carries all the same.
TEST_F(SaveTest, ACardLoadedAgainBySavingShowsTheNumber) {
    type(L"13800138000");
    card().close();
    ASSERT_FALSE(app().card_loaded());
    answers.push_back(desktop::kAnswerNo);
    made.push_back(picture_path(L"13800138000"));
    click(panel().save_button);
    ASSERT_TRUE(app().card_loaded());
    ASSERT_TRUE(wait_for_save_to_finish());
    EXPECT_EQ(titles(), (std::vector<std::wstring>{L"使用前提示", L"号码确认", L"使用前提示", L"保存提示"}));
    ASSERT_NO_FATAL_FAILURE(expect_card_showing(L"13800138000"));
    EXPECT_EQ(card().slot_caption(11), L"0");
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
    ASSERT_NO_FATAL_FAILURE(expect_card_showing(L"42"));
    EXPECT_TRUE(panel().visible());
}

// Temporary files that a program killed while saving left behind go at the next save into
// that folder; files that only look alike, and a file another writer still holds, stay.
TEST_F(SaveTest, StaleTemporaryFilesOfOursAreRemovedAndNothingElse) {
    const std::wstring folder = os::executable_directory() + L"\\";
    const std::vector<std::wstring> stale = {L"velmora-unfinished-0a1b2c3d.tmp", L"velmora-unfinished-ffffffff.tmp"};
    const std::vector<std::wstring> kept = {L"velmora-unfinished-notes.tmp", L"velmora-unfinished-0a1b2c3d.txt",
                                            L"velmora-unfinished-123.tmp", L"velmora-unfinished-0a1b2c3g.tmp",
                                            L"other-0a1b2c3d.tmp", L"vel1234.tmp"};
    for (const auto& name : stale) std::ofstream(std::filesystem::path(folder + name)) << "left by a crash";
    for (const auto& name : kept) std::ofstream(std::filesystem::path(folder + name)) << "somebody else's";
    const std::wstring held = folder + L"velmora-unfinished-12345678.tmp";
    os::File writer(CreateFileW(held.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    ASSERT_TRUE(writer);
    for (const auto& name : kept) made.push_back(folder + name);
    made.push_back(held);

    request_save(L"31415");
    ASSERT_TRUE(wait_for_save_to_finish());
    EXPECT_EQ(boxes.back().title, L"保存提示");
    for (const auto& name : stale) EXPECT_FALSE(exists(folder + name)) << testing::PrintToString(name);
    for (const auto& name : kept) EXPECT_TRUE(exists(folder + name)) << testing::PrintToString(name);
    EXPECT_TRUE(exists(held)) << "a file still being written was taken away";
    writer.reset();
}

}  // namespace
