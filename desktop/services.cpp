#include "desktop/services.h"

#include "desktop/application.h"
#include "desktop/failure.h"
#include "desktop/handles.h"
#include "desktop/modal.h"
#include "desktop/trace.h"
#include "desktop/win32.h"

namespace desktop {
namespace {

MessageBoxAnswerer& answerer() {
    static MessageBoxAnswerer installed;
    return installed;
}

std::function<void()>& end_replacement() {
    static std::function<void()> replacement;
    return replacement;
}

// What an entry point from the system stopped is told once; a failure while such a report
// is still open (a window that fails to paint behind it, say) is only traced.
void report_in_message_box(const char* entry, const std::wstring& reason) {
    static bool report_open = false;
    trace(std::string("failure.") + entry, reason);
    if (report_open) return;
    report_open = true;
    struct Closed {
        ~Closed() { report_open = false; }
    } closed;
    message_box(L"刚才的操作没有完成, 程序出现了意外错误:\r\n" + reason, kStopIcon, L"程序错误");
}

const bool failures_reported = (report_failures_with(&report_in_message_box), true);

}  // namespace

int message_box(std::wstring_view text, unsigned flags, std::wstring_view title) {
    const MessageBoxRequest request{std::wstring(text), flags, std::wstring(title.empty() ? identity().title : title),
                                    modal_owner()};
    trace("message_box", request.title);
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

bool claim_single_instance(const std::wstring& name, KernelHandle& mutex) {
    HANDLE created = CreateMutexW(nullptr, FALSE, name.c_str());
    const DWORD error = GetLastError();
    mutex.reset(created);
    // A copy that another user or an administrator started made the mutex so that this one
    // may not open it: that copy runs all the same.
    return error == ERROR_ALREADY_EXISTS || (!created && error == ERROR_ACCESS_DENIED);
}

bool previous_instance() {
    static KernelHandle mutex;
    static const bool another_copy_runs = claim_single_instance(identity().instance_mutex, mutex);
    return another_copy_runs;
}

void end() {
    trace("end");
    if (end_replacement()) {
        end_replacement()();
        return;
    }
    // Through the event loop, not ExitProcess: the windows and whatever works for them (a
    // thread decoding the artwork, say) are let go in order before the process ends.
    quit();
}

void replace_end_for_tests(std::function<void()> on_end) { end_replacement() = std::move(on_end); }

std::wstring executable_directory() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const auto separator = path.find_last_of(L"\\/");
    if (separator == std::wstring::npos) return {};
    // The root of a drive keeps its separator ("C:\"), as the platform reports it.
    const bool drive_root = separator == 2 && path[1] == L':';
    return path.substr(0, drive_root ? separator + 1 : separator);
}

}  // namespace desktop
