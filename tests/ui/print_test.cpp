// 打印… through the dialog's seam: what the dialog is offered, and every way a print can end
// short of the printer. What reaches paper is measured end to end on the test print queue.
#include <windows.h>
#include <winspool.h>

#include "desktop/print_dialog.h"
#include "os/printing.h"
#include "program_fixture.h"

namespace {

class PrintTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        desktop::answer_print_dialogs_with([this](const os::PrintChoice& proposed) {
            offered.push_back(proposed);
            return choose ? choose(proposed) : std::optional<os::PrintChoice>();
        });
    }
    void TearDown() override {
        desktop::answer_print_dialogs_with({});
        os::answer_printer_status_with({});
        ProgramTest::TearDown();
    }

    std::vector<os::PrintChoice> offered;
    std::function<std::optional<os::PrintChoice>(const os::PrintChoice&)> choose;  // none: cancel
};

TEST_F(PrintTest, TheDialogOpensOnTheDefaultPrinterInLandscapeWithOneCopy) {
    ASSERT_NO_FATAL_FAILURE(start());
    type(L"13800138000");
    app().run(Velmora::kPrint);
    ASSERT_EQ(offered.size(), 1u);
    EXPECT_FALSE(offered[0].printer.empty());
    ASSERT_GE(offered[0].settings.size(), sizeof(DEVMODEW) - 64);
    const auto* settings = reinterpret_cast<const DEVMODEW*>(offered[0].settings.data());
    EXPECT_EQ(settings->dmOrientation, DMORIENT_LANDSCAPE);
    EXPECT_EQ(settings->dmCopies, 1);
    EXPECT_EQ(titles().size(), 1u) << "a cancelled dialog says nothing";
    EXPECT_EQ(GetFocus(), panel().number_box.handle());
}

TEST_F(PrintTest, EveryWayOfNotPrintingEndsWithTheProgramAsItWas) {
    ASSERT_NO_FATAL_FAILURE(start());
    const struct {
        const char* what;
        std::wstring number;
        std::function<std::optional<os::PrintChoice>(const os::PrintChoice&)> choose;
        std::vector<int> answers;
        std::vector<std::wstring> boxes;  // after the usage notice
        const wchar_t* last_says;
    } cases[] = {
        {"no number", L"", nullptr, {}, {L"Velmora"}, L"号码不能为空!"},
        {"the dialog cancelled", L"42", nullptr, {}, {}, nullptr},
        {"a printer that is not there",
         L"42",
         [](const os::PrintChoice&) { return os::PrintChoice{L"没有这台打印机", {}}; },
         {},
         {L"打印失败"},
         L"无法连接打印机「没有这台打印机」"},
        {"the smaller size declined", L"42", [](const os::PrintChoice& p) { return p; }, {desktop::kAnswerCancel},
         {L"打印"}, L"停车牌将按"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        panel().number_box.set_text(c.number);
        choose = c.choose;
        boxes.erase(boxes.begin() + 1, boxes.end());
        answers.assign(c.answers.begin(), c.answers.end());
        app().run(Velmora::kPrint);
        EXPECT_TRUE(answers.empty()) << "a question was not asked";
        std::vector<std::wstring> seen;
        for (std::size_t i = 1; i < boxes.size(); ++i) seen.push_back(boxes[i].title);
        EXPECT_EQ(seen, c.boxes);
        if (c.last_says) {
            EXPECT_NE(boxes.back().text.find(c.last_says), std::wstring::npos);
        }
        EXPECT_TRUE(panel().visible());
        EXPECT_TRUE(IsWindowEnabled(panel().handle()));
        EXPECT_TRUE(IsWindowEnabled(card().handle()));
        EXPECT_EQ(GetFocus(), panel().number_box.handle());
    }
}

// What the program says once the spooler has the job depends on the printer's state, which
// Wine's spooler never reports: the seam says it here, and the card really goes to the queue.
TEST_F(PrintTest, TheLastWordSaysWhetherThePrinterPrintsNowOrHoldsTheCard) {
    ASSERT_NO_FATAL_FAILURE(start());
    type(L"13800138000");
    choose = [](const os::PrintChoice& proposed) { return proposed; };
    const struct {
        unsigned long status;
        const wchar_t* says;
    } cases[] = {
        {0, L"停车牌已交给打印机"},
        {PRINTER_STATUS_PAUSED, L"已暂停, 停车牌在它的打印队列中等候"},
        {PRINTER_STATUS_OFFLINE, L"已暂停, 停车牌在它的打印队列中等候"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.status);
        os::answer_printer_status_with([&](const std::wstring&) { return c.status; });
        boxes.erase(boxes.begin() + 1, boxes.end());
        answers.assign({desktop::kAnswerOk});  // the size note of a landscape A4 page
        app().run(Velmora::kPrint);
        ASSERT_FALSE(boxes.empty());
        EXPECT_NE(boxes.back().text.find(c.says), std::wstring::npos);
    }
}

// "每页两张": the paper offered turned to portrait, the cards' smaller size said before anything
// prints, and the choice remembered for the user like the program's other options.
TEST_F(PrintTest, TwoCardsAPageOfferPortraitPaperAndSayTheirSizeFirst) {
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Velmora");
    ASSERT_NO_FATAL_FAILURE(start());
    type(L"13800138000");
    choose = [](const os::PrintChoice& proposed) { return proposed; };
    const auto orientation_offered = [&] {
        return reinterpret_cast<const DEVMODEW*>(offered.back().settings.data())->dmOrientation;
    };
    const auto two_per_page_checked = [&] { return menu_item_checked(Velmora::kToggleTwoPerPage); };
    EXPECT_FALSE(two_per_page_checked()) << "one card a page at first";

    app().run(Velmora::kToggleTwoPerPage);
    EXPECT_TRUE(two_per_page_checked());
    answers.assign({desktop::kAnswerCancel});  // declined once the size is said
    app().run(Velmora::kPrint);
    ASSERT_EQ(offered.size(), 1u);
    EXPECT_EQ(orientation_offered(), DMORIENT_PORTRAIT);
    EXPECT_TRUE(answers.empty()) << "the size was not asked about";
    EXPECT_EQ(boxes.back().title, L"打印");
    EXPECT_EQ(boxes.back().text.rfind(L"每页两张, 每张按 ", 0), 0u) << boxes.back().text;

    TearDownApp();  // a program started later finds it on
    ASSERT_NO_FATAL_FAILURE(start());
    EXPECT_TRUE(two_per_page_checked());
    app().run(Velmora::kToggleTwoPerPage);
    type(L"13800138000");
    answers.assign({desktop::kAnswerCancel});
    app().run(Velmora::kPrint);
    EXPECT_EQ(orientation_offered(), DMORIENT_LANDSCAPE) << "one card a page again";
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Velmora");
}

}  // namespace
