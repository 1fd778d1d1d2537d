#include "export/card_save.h"

#include "desktop/message_box.h"
#include "export/save_path.h"
#include "os/failure.h"
#include "os/files.h"
#include "os/trace.h"
#include "picture/bmp.h"

namespace {

constexpr unsigned kDelayMs = 300;  // lets the screen settle with the panel gone
constexpr int kPasses = 3;

std::wstring confirmation_text(const std::wstring& number) {
    return L"请确认下列输入的号码是否有错误:\r\n{ " + number + L" }\r\n按下 是 取消保存, 按下 否 以继续保存";
}

struct SaveOutcome {
    bool saved = false;
    std::wstring message;
    unsigned flags = desktop::kInformationIcon;
    std::wstring title = L"保存提示";
};

SaveOutcome saved_to(const std::wstring& directory) {
    return {true, L"图片已被保存至本程序同一路径内! 路径位置:\r\n" + directory};
}

SaveOutcome not_saved(std::wstring message) { return {false, std::move(message), desktop::kStopIcon, L"保存失败"}; }

SaveOutcome closed_before_saving() { return not_saved(L"图片没有保存! 停车牌的窗口在保存完成前被关闭了。"); }

class RunningFlag {
public:
    explicit RunningFlag(bool& flag) : flag_(flag) { flag_ = true; }
    RunningFlag(const RunningFlag&) = delete;
    RunningFlag& operator=(const RunningFlag&) = delete;
    ~RunningFlag() { flag_ = false; }

private:
    bool& flag_;
};

SaveOutcome write_picture(const picture::Pixels& picture, const std::wstring& number,
                          const std::wstring& temporary_prefix) {
    if (picture.empty()) return not_saved(L"图片没有保存! 无法画出停车牌。");
    const std::wstring directory = os::executable_directory();
    const auto path = saved_picture_path(directory, number);
    if (!path) return not_saved(L"图片没有保存! 号码只能包含数字和一个小数点:\r\n{ " + number + L" }");

    const auto header = picture::bmp_header(picture);
    const auto written = os::write_file_replacing(
        *path, {{header.data(), header.size()}, {picture.bytes().data(), picture.bytes().size()}},
        temporary_prefix);
    os::trace(written.written ? "save.written" : "save.failed", *path);
    if (!written.written) {
        // The folder beside the program may just not be the user's to write: offer another.
        SaveOutcome outcome = not_saved(L"图片没有保存! 无法写入文件:\r\n" + *path + L"\r\n原因: " + written.reason +
                                        L"\r\n\r\n要另存到其他位置吗?");
        outcome.flags |= desktop::kYesNo;
        return outcome;
    }
    return saved_to(directory);
}

SaveOutcome draw_and_write(const SaveWindows& windows, const std::wstring& number,
                           const std::wstring& temporary_prefix, os::RenderMemory& rendered) {
    try {
        // The card cannot change while the panel is hidden: it is drawn once, in memory, and
        // written three times. No events run meanwhile (a queued command would start Save As
        // or Print in the middle of the save): nothing here waits for the screen.
        os::render(*windows.draw_card(number), rendered);
        os::trace("save.rendered");
        const picture::Pixels& picture = rendered.picture;
        SaveOutcome outcome;
        for (int pass = 0; pass < kPasses; ++pass) {
            outcome = write_picture(picture, number, temporary_prefix);
            if (!outcome.saved) break;  // what failed once would fail again
        }
        return outcome;
    } catch (...) {
        return not_saved(L"图片没有保存! " + os::reason_of_current_exception());
    }
}

}  // namespace

CardSave::CardSave(SaveWindows windows, ExportContext context)
    : windows_(std::move(windows)), context_(std::move(context)), timer_(kDelayMs, [this] { run(); }) {}

void CardSave::request(const std::wstring& number) {
    using namespace desktop;
    if (number.empty()) {
        message_box(L"号码不能为空!", kStopIcon, context_.program_title);
        windows_.back_to_number();
        return;
    }
    // Text can reach the box other than by typing; a number becomes part of a file name.
    if (!is_safe_number(number)) {
        message_box(L"号码只能包含数字和一个小数点, 图片没有保存!", kStopIcon, context_.program_title);
        windows_.back_to_number();
        return;
    }
    const int answer = message_box(confirmation_text(number), kQuestionIcon | kYesNo | kSecondButtonDefault, L"号码确认");
    if (answer != kAnswerNo) {  // "yes, the number is wrong"
        message_box(L"用户取消了保存, 图片保存失败!\r\n原因: 用户将号码确认为错误", kExclamationIcon, L"保存被终止");
        windows_.back_to_number();
        return;
    }
    number_ = number;
    card_gone_ = false;
    windows_.card_on_top(true);
    windows_.show_panel(false);
    timer_.set_enabled(true);
}

void CardSave::run() {
    // Ticks that fall due while a run shows its message start nothing: one run per
    // confirmed request.
    if (running_) return;
    const RunningFlag running(running_);
    os::trace("save.start");

    // A card closed meanwhile is not loaded afresh, usage notice and all, to be drawn.
    const SaveOutcome outcome =
        card_gone_ ? closed_before_saving()
                   : draw_and_write(windows_, number_, context_.temporary_prefix, rendered_);

    windows_.show_panel(true);
    windows_.card_on_top(false);
    windows_.panel_on_top();
    os::trace("save.report");
    const int answer = desktop::message_box(outcome.message, outcome.flags, outcome.title);
    timer_.set_enabled(false);
    card_gone_ = false;
    os::trace("save.done");
    if (answer == desktop::kAnswerYes) windows_.save_elsewhere(number_);
    windows_.back_to_number();
}

void CardSave::card_closed() {
    // The timer's next tick reports it: not from inside the card's own closing.
    if (pending()) card_gone_ = true;
}
