// The save: at the first tick of Timer2 the card is drawn into the canvas by the same routine
// that paints it on screen and written beside the executable as a BMP, three passes in a row;
// then the windows are given back and the user is told where the file went, or why not.
#include <string>

#include "desktop/bmp.h"
#include "desktop/files.h"
#include "desktop/services.h"
#include "desktop/trace.h"
#include "export/save_path.h"
#include "panel/control_panel.h"
#include "sign/sign_window.h"

namespace {

constexpr int kPasses = 3;

struct SaveOutcome {
    bool saved = false;
    std::wstring message;
    unsigned flags = desktop::kInformationIcon;
    std::wstring title = L"保存提示";
};

SaveOutcome saved_to(const std::wstring& directory) {
    return {true, L"图片已被保存至本程序同一路径内! 路径位置:\r\n" + directory};
}

SaveOutcome not_saved(std::wstring message) {
    return {false, std::move(message), desktop::kStopIcon, L"保存失败"};
}

class RunningFlag {
public:
    explicit RunningFlag(bool& flag) : flag_(flag) { flag_ = true; }
    RunningFlag(const RunningFlag&) = delete;
    RunningFlag& operator=(const RunningFlag&) = delete;
    ~RunningFlag() { flag_ = false; }

private:
    bool& flag_;
};

// One pass: lay the canvas over the window, let pending events run, fill the canvas with the
// card and write it.
SaveOutcome save_pass(SignWindow& card) {
    card.Picture1.move(0, 0, card.width(), card.height());
    desktop::do_events();
    card.Picture1.image = {};  // let the last pass's picture go before drawing the next
    card.Picture1.image = card.render();
    if (card.Picture1.image.empty()) return not_saved(L"图片没有保存! 无法画出停车牌。");

    const std::wstring directory = desktop::executable_directory();
    const std::wstring number = Form2().Text1.text();
    const auto path = saved_picture_path(directory, number);
    if (!path) return not_saved(L"图片没有保存! 号码只能包含数字和一个小数点:\r\n{ " + number + L" }");

    const desktop::Pixels& picture = card.Picture1.image;
    const auto header = desktop::bmp_header(picture);
    const auto written = desktop::write_file_replacing(
        *path, {{header.data(), header.size()}, {picture.bytes().data(), picture.bytes().size()}});
    desktop::trace(written.written ? "save.written" : "save.failed", *path);
    if (!written.written)
        return not_saved(L"图片没有保存! 无法写入文件:\r\n" + *path + L"\r\n原因: " + written.reason);
    return saved_to(directory);
}

}  // namespace

void SignWindow::Timer2_Timer() {
    // Ticks that fall due while a run lets events run or shows its message start nothing:
    // one run per confirmed request.
    if (saving_) return;
    const RunningFlag running(saving_);
    desktop::trace("save.start");

    SaveOutcome outcome;
    for (int pass = 0; pass < kPasses; ++pass) {
        outcome = save_pass(*this);
        if (!outcome.saved) break;  // what failed once would fail again
    }

    Form2().show();
    set_topmost(false);
    Form2().set_topmost(true);
    desktop::trace("save.report");
    desktop::message_box(outcome.message, outcome.flags, outcome.title);
    Timer2.set_enabled(false);
    desktop::trace("save.done");
}
