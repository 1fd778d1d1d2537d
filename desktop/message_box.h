// Message boxes: application-modal, owned by the program's foremost shown window, and
// answered through a seam in tests.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "os/win32.h"

namespace desktop {

// Message box flags (icon + buttons + default button) and answers.
enum MessageBoxFlag : unsigned {
    kOkOnly = 0,
    kOkCancel = 1,
    kYesNo = 4,
    kStopIcon = 16,
    kQuestionIcon = 32,
    kExclamationIcon = 48,
    kInformationIcon = 64,
    kSecondButtonDefault = 256,
};
enum MessageBoxAnswer : int { kAnswerOk = 1, kAnswerCancel = 2, kAnswerYes = 6, kAnswerNo = 7 };

struct MessageBoxRequest {
    std::wstring text;
    unsigned flags = 0;
    std::wstring title;
    HWND owner = nullptr;  // the program's foremost shown window, or none
};

// Shows an application-modal message box and returns the button pressed.
int message_box(std::wstring_view text, unsigned flags, std::wstring_view title);

// The seam for tests: while an answerer is installed, message boxes go to it instead of
// the screen. Returns the answerer it replaces; pass an empty one to restore the desktop's.
using MessageBoxAnswerer = std::function<int(const MessageBoxRequest&)>;
MessageBoxAnswerer answer_message_boxes_with(MessageBoxAnswerer answerer);

}  // namespace desktop
