// Program-wide desktop services: message boxes, the single-instance test, ending the
// process and the executable's directory.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "desktop/handles.h"
#include "desktop/win32.h"

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

// Shows an application-modal message box and returns the button pressed. An empty title
// means the program's title.
int message_box(std::wstring_view text, unsigned flags, std::wstring_view title = {});

// The seam for tests: while an answerer is installed, message boxes go to it instead of
// the screen. Returns the answerer it replaces; pass an empty one to restore the desktop's.
using MessageBoxAnswerer = std::function<int(const MessageBoxRequest&)>;
MessageBoxAnswerer answer_message_boxes_with(MessageBoxAnswerer answerer);

// True when another copy of the program is running. Asked once per process: later calls
// give the first answer, so a window that loads again does not find its own process.
bool previous_instance();
// The check behind it: true when a copy holds the named mutex already, whether or not this
// one may open it; otherwise this copy holds it in mutex from now on.
bool claim_single_instance(const std::wstring& name, KernelHandle& mutex);

// Ends the program: the event loop of run() stops at once, before any event still queued,
// and the process ends once run() returns; no unload procedure runs. Tests install a
// replacement that records the call instead. Callers return normally after it.
void end();
void replace_end_for_tests(std::function<void()> on_end);

// The directory the running executable lies in, without a trailing separator (except at
// the root of a drive, where the platform reports one).
std::wstring executable_directory();

}  // namespace desktop
