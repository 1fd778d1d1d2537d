#include "os/trace.h"

#include <cstdio>
#include <string>

#include "os/handles.h"
#include "os/win32.h"

namespace os {
namespace {

std::wstring environment_variable(const std::wstring& name) {
    const DWORD size = GetEnvironmentVariableW(name.c_str(), nullptr, 0);
    if (size == 0) return {};
    std::wstring value(size, L'\0');
    value.resize(GetEnvironmentVariableW(name.c_str(), value.data(), size));
    return value;
}

struct Trace {
    File file;
    std::string paused_at;  // the point where tests asked the program to stand still
};

Trace& the_trace() {
    static Trace trace;
    return trace;
}

HANDLE trace_file() { return the_trace().file ? the_trace().file.get() : nullptr; }

std::string utf8(std::wstring_view text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size,
                        nullptr, nullptr);
    return result;
}

double seconds_since_1970() {
    // The precise clock exists from Windows 8 on; the program still starts on Windows 7.
    using Clock = void(WINAPI*)(FILETIME*);
    static const auto precise = reinterpret_cast<Clock>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetSystemTimePreciseAsFileTime")));
    FILETIME now;
    (precise ? precise : &GetSystemTimeAsFileTime)(&now);
    const auto ticks = (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    constexpr unsigned long long kTicksFrom1601To1970 = 116444736000000000ULL;
    return static_cast<double>(ticks - kTicksFrom1601To1970) / 1e7;
}

}  // namespace

void start_trace(const std::wstring& variable) {
    Trace& trace = the_trace();
    const std::wstring path = environment_variable(variable);
    trace.file = path.empty() ? File()
                              : File(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                 nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    trace.paused_at = utf8(environment_variable(variable + L"_PAUSE"));
}

bool tracing() { return trace_file() != nullptr; }

void pause_here_for_tests(std::string_view point) {
    const std::string& paused_at = the_trace().paused_at;
    if (paused_at.empty() || paused_at != point) return;
    trace("paused", std::wstring(point.begin(), point.end()));
    Sleep(60'000);
}

void trace(std::string_view event, std::wstring_view detail) {
    const HANDLE file = trace_file();
    if (!file) return;
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%.6f ", seconds_since_1970());
    std::string line = stamp;
    line.append(event);
    if (!detail.empty()) line.append(" ").append(utf8(detail));
    line.push_back('\n');
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

}  // namespace os
