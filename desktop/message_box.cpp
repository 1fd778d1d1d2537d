#include "desktop/message_box.h"

#include "desktop/modal.h"
#include "os/failure.h"
#include "os/trace.h"

namespace desktop {
namespace {

MessageBoxAnswerer& answerer() {
    static MessageBoxAnswerer installed;
    return installed;
}

// What an entry point from the system stopped is told once; a failure while such a report
// is still open (a window that fails to paint behind it, say) is only traced.
void report_in_message_box(const char* entry, const std::wstring& reason) {
    static bool report_open = false;
    os::trace(std::string("failure.") + entry, reason);
    if (report_open) return;
    report_open = true;
    struct Closed {
        ~Closed() { report_open = false; }
    } closed;
    message_box(L"刚才的操作没有完成, 程序出现了意外错误:\r\n" + reason, kStopIcon, L"程序错误");
}

const bool failures_reported = (os::report_failures_with(&report_in_message_box), true);

}  // namespace

int message_box(std::wstring_view text, unsigned flags, std::wstring_view title) {
    const MessageBoxRequest request{std::wstring(text), flags, std::wstring(title), modal_owner()};
    os::trace("message_box", request.title);
    const Modal modal(request.owner);
    if (answerer()) return answerer()(request);
    return MessageBoxW(request.owner, request.text.c_str(), request.title.c_str(),
                       flags | MB_APPLMODAL | MB_SETFOREGROUND);
}

MessageBoxAnswerer answer_message_boxes_with(MessageBoxAnswerer replacement) {
    MessageBoxAnswerer previous = std::move(answerer());
    answerer() = std::move(replacement);
    return previous;
}

}  // namespace desktop
