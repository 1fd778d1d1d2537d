// The save button: refuses an empty or unsafe number, asks the user to confirm it, and on
// confirmation hands over to the save sequence, which runs at the next tick of Timer2.
#include "desktop/services.h"
#include "panel/control_panel.h"
#include "panel/number_rules.h"
#include "sign/sign_window.h"

namespace {

std::wstring confirmation_text(const std::wstring& number) {
    return L"请确认下列输入的号码是否有错误:\r\n{ " + number + L" }\r\n按下 是 取消保存, 按下 否 以继续保存";
}

}  // namespace

void ControlPanel::Command2_Click() {
    using namespace desktop;
    if (Text1.text().empty()) message_box(L"号码不能为空!", kStopIcon);
    if (Text1.text().empty()) return;

    const std::wstring number = Text1.text();
    // Text can reach the box other than by typing; a number becomes part of a file name.
    if (!number_rules::is_safe_number(number)) {
        message_box(L"号码只能包含数字和一个小数点, 图片没有保存!", kStopIcon);
        return;
    }

    const int answer = message_box(confirmation_text(number), kQuestionIcon | kYesNo | kSecondButtonDefault,
                                   L"号码确认");
    if (answer == kAnswerNo) {  // "no, the number is not wrong": go on
        Form1().set_topmost(true);
        hide();
        Form1().Timer2.set_enabled(true);
        return;
    }
    message_box(L"用户取消了保存, 图片保存失败!\r\n原因: 用户将号码确认为错误", kExclamationIcon, L"保存被终止");
}
