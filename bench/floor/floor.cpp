// floor.exe: the least a Win32 window program does, as a yardstick for velmora.exe.
// It shows a plain frameless window of the card's size at the screen's top-left, puts up
// an information box over it as velmora.exe does with its usage notice, then idles in its
// message loop until closed; a click on its window brings up a question and a notice. With
// VELMORA_TRACE set it appends the same kind of trace lines as velmora.exe
// ("<unix seconds> <event> [detail]"), so both are timed alike.
#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

const wchar_t kClass[] = L"Velmora.Floor";
const wchar_t kBoxTitle[] = L"基准提示";
// As long as velmora's notice and in the same script, so the box costs the same to lay out.
const wchar_t kBoxText[] =
    L"保存图片时,主窗体上面不允许有任何软件的遮挡。\r\n否则无法保存成完整的图片!";
const int kWidth = 1199, kHeight = 548;  // the card's size

HANDLE g_trace = INVALID_HANDLE_VALUE;

// The path may be as long as the system allows (the benchmark's folders can be deep), so the
// buffer takes the size the variable asks for, as velmora.exe's does.
void open_trace() {
    const DWORD size = GetEnvironmentVariableW(L"VELMORA_TRACE", nullptr, 0);
    if (size == 0) return;
    std::wstring path(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(L"VELMORA_TRACE", path.data(), size);
    if (length == 0 || length >= size) return;  // gone or grown meanwhile: no trace
    path.resize(length);
    g_trace = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

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

// detail is ASCII or UTF-8 already.
void trace(const char* event, const char* detail = nullptr) {
    if (g_trace == INVALID_HANDLE_VALUE) return;
    char line[256];
    const int n = detail ? std::snprintf(line, sizeof line, "%.6f %s %s\n", now(), event, detail)
                         : std::snprintf(line, sizeof line, "%.6f %s\n", now(), event);
    DWORD written = 0;
    if (n > 0) WriteFile(g_trace, line, static_cast<DWORD>(n), &written, nullptr);
}

void paint(HWND window) {
    PAINTSTRUCT ps;
    const HDC dc = BeginPaint(window, &ps);
    FillRect(dc, &ps.rcPaint, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    GdiFlush();  // on screen before the trace line says so, as velmora.exe does
    EndPaint(window, &ps);
    char area[96];
    std::snprintf(area, sizeof area, "Velmora.Floor %ld,%ld,%ld,%ld", ps.rcPaint.left, ps.rcPaint.top,
                  ps.rcPaint.right, ps.rcPaint.bottom);
    trace("painted", area);
}

// A click asks what a save of velmora.exe asks of the system's message boxes: a question,
// then a notice, so the objects the system keeps after its first boxes are seen here too.
void ask_and_tell(HWND window) {
    trace("message_box", "基准确认");
    MessageBoxW(window, L"基准问题?", L"基准确认", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2 | MB_APPLMODAL);
    trace("message_box", "基准提示");
    MessageBoxW(window, kBoxText, kBoxTitle, MB_OK | MB_ICONINFORMATION | MB_APPLMODAL);
    trace("boxes.done");
}

LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_PAINT:
            paint(window);
            return 0;
        case WM_LBUTTONUP:
            ask_and_tell(window);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    open_trace();
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = window_procedure;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kClass;
    RegisterClassExW(&wc);
    const HWND window = CreateWindowExW(0, kClass, L"Velmora floor", WS_POPUP | WS_CLIPCHILDREN, 0, 0,
                                        kWidth, kHeight, nullptr, nullptr, instance, nullptr);
    trace("load", "Velmora.Floor");
    ShowWindow(window, SW_SHOW);
    trace("show", "Velmora.Floor");

    trace("message_box", "基准提示");
    MessageBoxW(window, kBoxText, kBoxTitle, MB_OK | MB_ICONINFORMATION | MB_APPLMODAL | MB_SETFOREGROUND);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    trace("end");
    return 0;
}
