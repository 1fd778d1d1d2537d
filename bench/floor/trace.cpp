#include "trace.h"

#include <cstdio>
#include <string>

namespace floor_trace {
namespace {

HANDLE g_file = INVALID_HANDLE_VALUE;

// Seconds since 1970 from the precise system clock when there is one (Windows 8 and Wine).
double now() {
    using Clock = void(WINAPI*)(FILETIME*);
    static const auto precise = reinterpret_cast<Clock>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetSystemTimePreciseAsFileTime")));
    FILETIME t;
    (precise ? precise : &GetSystemTimeAsFileTime)(&t);
    const unsigned long long ticks = (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    return static_cast<double>(ticks - 116444736000000000ULL) / 1e7;
}

}  // namespace

// The path may be as long as the system allows (the benchmark's folders can be deep), so the
// buffer takes the size the variable asks for, as velmora.exe's does.
void open() {
    const DWORD size = GetEnvironmentVariableW(L"VELMORA_TRACE", nullptr, 0);
    if (size == 0) return;
    std::wstring path(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(L"VELMORA_TRACE", path.data(), size);
    if (length == 0 || length >= size) return;  // gone or grown meanwhile: no trace
    path.resize(length);
    g_file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

void line(const char* event, const char* detail) {
    if (g_file == INVALID_HANDLE_VALUE) return;
    char text[512];
    const int n = detail ? std::snprintf(text, sizeof text, "%.6f %s %s\n", now(), event, detail)
                         : std::snprintf(text, sizeof text, "%.6f %s\n", now(), event);
    DWORD written = 0;
    if (n > 0) WriteFile(g_file, text, static_cast<DWORD>(n < static_cast<int>(sizeof text) ? n : sizeof text - 1),
                         &written, nullptr);
}

}  // namespace floor_trace
