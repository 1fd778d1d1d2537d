// floor.exe: the least a Win32 window program does, as a yardstick for velmora.exe.
// Without arguments it shows a plain frameless window of the card's size at the screen's
// top-left, puts up an information box over it as velmora.exe does with its usage notice, then
// idles in its message loop until closed; a click on its window brings up a question and a
// notice. Its other modes are the floors of velmora.exe's other work (bench/README.md):
//   --load a.dll,b.dll    the same, with these system libraries loaded first (memory);
//   --edit                a plain edit control and a plain label that shows its text (typing);
//   --durable-writes FILE ROUNDS PAUSE_MS   three durable writes of FILE's bytes a round;
//   --png SOURCE.bmp OUT                    SOURCE's pixels encoded as PNG and written.
// With VELMORA_TRACE set it appends the same kind of trace lines as velmora.exe
// ("<unix seconds> <event> [detail]"), so both are timed alike.
#include "trace.h"
#include "work.h"

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

const wchar_t kClass[] = L"Velmora.Floor";
const wchar_t kBoxTitle[] = L"基准提示";
// As long as velmora's notice and in the same script, so the box costs the same to lay out.
const wchar_t kBoxText[] =
    L"保存图片时,主窗体上面不允许有任何软件的遮挡。\r\n否则无法保存成完整的图片!";
const int kWidth = 1199, kHeight = 548;  // the card's size

void trace(const char* event, const char* detail = nullptr) { floor_trace::line(event, detail); }

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

int message_loop() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    trace("end");
    return 0;
}

// System libraries named as run.py found them in velmora.exe, separated by commas; each one
// that does not load is traced, so that the memory compared is known to be the same.
void load_libraries(const std::wstring& names) {
    std::size_t from = 0;
    while (from < names.size()) {
        std::size_t to = names.find(L',', from);
        if (to == std::wstring::npos) to = names.size();
        const std::wstring name = names.substr(from, to - from);
        if (!name.empty() && !LoadLibraryW(name.c_str())) {
            char narrow[160];
            std::snprintf(narrow, sizeof narrow, "%ls %lu", name.c_str(), GetLastError());
            trace("load.failed", narrow);
        }
        from = to + 1;
    }
    trace("loaded");
}

int plain_floor(HINSTANCE instance) {
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
    return message_loop();
}

// ------------------------------------------------------------------ --edit

const wchar_t kEditClass[] = L"Velmora.FloorEdit";
const wchar_t kLabelClass[] = L"Velmora.FloorLabel";
WNDPROC g_edit_procedure = nullptr;
HWND g_label = nullptr;
wchar_t g_label_text[64] = L"";

// The keys as velmora.exe's number box traces them: as each character reaches the box.
LRESULT CALLBACK edit_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_CHAR) {
        char code[16];
        std::snprintf(code, sizeof code, "%u", static_cast<unsigned>(wparam));
        trace("key", code);
    }
    return CallWindowProcW(g_edit_procedure, window, message, wparam, lparam);
}

// A label that draws its text when the system asks it to paint, as velmora.exe's card does
// once a key has changed it (a static control of Wine's paints at once, outside WM_PAINT).
LRESULT CALLBACK label_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message != WM_PAINT) return DefWindowProcW(window, message, wparam, lparam);
    PAINTSTRUCT ps;
    const HDC dc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    SetBkMode(dc, TRANSPARENT);
    SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    DrawTextW(dc, g_label_text, -1, &client, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
    GdiFlush();  // on screen before the trace line says so
    EndPaint(window, &ps);
    trace("painted", "Velmora.FloorLabel");
    return 0;
}

LRESULT CALLBACK edit_window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_COMMAND:
            if (HIWORD(wparam) == EN_CHANGE) {
                GetWindowTextW(reinterpret_cast<HWND>(lparam), g_label_text, 64);
                InvalidateRect(g_label, nullptr, FALSE);
            }
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

int edit_floor(HINSTANCE instance) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = edit_window_procedure;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kEditClass;
    RegisterClassExW(&wc);
    wc.lpfnWndProc = label_procedure;
    wc.hbrBackground = nullptr;
    wc.lpszClassName = kLabelClass;
    RegisterClassExW(&wc);
    const HWND window = CreateWindowExW(0, kEditClass, L"Velmora floor edit", WS_OVERLAPPED | WS_CAPTION, 0, 0, 400,
                                        160, nullptr, nullptr, instance, nullptr);
    const HWND edit = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 10,
                                      10, 360, 24, window, nullptr, instance, nullptr);
    g_label = CreateWindowExW(0, kLabelClass, L"", WS_CHILD | WS_VISIBLE, 10, 50, 360, 24, window, nullptr, instance,
                              nullptr);
    g_edit_procedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&edit_procedure)));
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetFocus(edit);
    trace("show", "Velmora.FloorEdit");
    return message_loop();
}

// ------------------------------------------------------------------ the command line

// Words of the command line; a word in double quotes may hold spaces.
std::vector<std::wstring> words(const wchar_t* line) {
    std::vector<std::wstring> out;
    for (const wchar_t* p = line; *p;) {
        while (*p == L' ') ++p;
        if (!*p) break;
        const wchar_t end = *p == L'"' ? L'"' : L' ';
        if (*p == L'"') ++p;
        std::wstring word;
        while (*p && *p != end) word += *p++;
        if (*p == L'"') ++p;
        out.push_back(word);
    }
    return out;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR command_line, int) {
    floor_trace::open();
    const std::vector<std::wstring> w = words(command_line);
    const auto number = [&](std::size_t i) { return i < w.size() ? _wtoi(w[i].c_str()) : 0; };
    if (w.empty()) return plain_floor(instance);
    if (w[0] == L"--load" && w.size() == 2) {
        load_libraries(w[1]);
        return plain_floor(instance);
    }
    if (w[0] == L"--edit") return edit_floor(instance);
    if (w[0] == L"--durable-writes" && w.size() == 4) return floor_work::durable_writes(w[1], number(2), number(3));
    if (w[0] == L"--png" && w.size() == 3) return floor_work::png_encode(w[1], w[2]);
    trace("usage");
    return 64;
}
