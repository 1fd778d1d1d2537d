#include "os/failure.h"

#include <new>

#include "os/win32.h"

namespace os {
namespace {

std::wstring from_narrow(const char* text) {
    const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 1) return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
    wide.resize(static_cast<std::size_t>(length) - 1);
    return wide;
}

FailureReporter& reporter() {
    static FailureReporter installed = nullptr;
    return installed;
}

}  // namespace

std::wstring reason_of_current_exception() {
    try {
        throw;
    } catch (const Failure& failure) {
        return failure.reason();
    } catch (const std::bad_alloc&) {
        return L"内存不足。";
    } catch (const std::exception& error) {
        const std::wstring what = from_narrow(error.what());
        return what.empty() ? L"程序内部错误。" : L"程序内部错误: " + what;
    } catch (...) {
        return L"程序内部错误。";
    }
}

void report_unexpected_failure(const char* entry) noexcept {
    try {
        if (reporter()) reporter()(entry, reason_of_current_exception());
    } catch (...) {
        // Not even the report could be made (no memory left for it): the program carries on.
    }
}

void report_failures_with(FailureReporter installed) { reporter() = installed; }

}  // namespace os
