// winprobe: a console helper that end-to-end tests run with `wine` in the same
// prefix as the program under test, to look inside its windows and poke them.
// Every subcommand prints one JSON value (UTF-8) on stdout and exits 0; on error
// it prints a message on stderr and exits 1 (2 for bad usage).
//
// Window handles are printed and accepted as decimal numbers (hex with 0x works too).
// Lengths on paper are in millimetres.
#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0A00
#endif
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <fcntl.h>
#include <io.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// ---------------------------------------------------------------- errors

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string utf8(const std::wstring& w) {
    if (w.empty()) return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), nullptr, 0, nullptr, nullptr);
    std::string s(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), &s[0], n, nullptr, nullptr);
    return s;
}

[[noreturn]] void fail(const std::wstring& what) {
    throw std::runtime_error(utf8(what));
}

[[noreturn]] void failWin32(const std::wstring& what) {
    fail(what + L" failed (Win32 error " + std::to_wstring(GetLastError()) + L")");
}

// ---------------------------------------------------------------- JSON output

// A tiny streaming JSON writer: enough for objects, arrays, strings, numbers.
class Json {
public:
    Json& beginObject() { value(); out_ += '{'; first_.push_back(true); return *this; }
    Json& endObject() { out_ += '}'; first_.pop_back(); return *this; }
    Json& beginArray() { value(); out_ += '['; first_.push_back(true); return *this; }
    Json& endArray() { out_ += ']'; first_.pop_back(); return *this; }

    Json& key(const char* k) {
        separate();
        out_ += '"'; out_ += k; out_ += "\":";
        afterKey_ = true;
        return *this;
    }
    Json& str(const std::wstring& w) { value(); quote(utf8(w)); return *this; }
    Json& num(long long n) { value(); out_ += std::to_string(n); return *this; }
    Json& boolean(bool b) { value(); out_ += b ? "true" : "false"; return *this; }
    Json& null() { value(); out_ += "null"; return *this; }
    Json& hwnd(HWND h) { return h ? num((long long)(UINT_PTR)h) : null(); }
    Json& rect(const RECT& r) {
        beginObject();
        key("left").num(r.left); key("top").num(r.top);
        key("right").num(r.right); key("bottom").num(r.bottom);
        return endObject();
    }

    // Raw bytes to stdout: no CRLF translation, no code page conversion.
    void print() {
        out_ += '\n';
        fflush(stdout);
        _setmode(_fileno(stdout), _O_BINARY);
        fwrite(out_.data(), 1, out_.size(), stdout);
        fflush(stdout);
    }

private:
    void separate() {
        if (first_.empty()) return;
        if (!first_.back()) out_ += ',';
        first_.back() = false;
    }
    // A value directly after a key needs no separator; one inside an array does.
    void value() {
        if (afterKey_) { afterKey_ = false; return; }
        separate();
    }
    void quote(const std::string& s) {
        out_ += '"';
        for (unsigned char c : s) {
            switch (c) {
            case '"': out_ += "\\\""; break;
            case '\\': out_ += "\\\\"; break;
            case '\n': out_ += "\\n"; break;
            case '\r': out_ += "\\r"; break;
            case '\t': out_ += "\\t"; break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    snprintf(buf, sizeof buf, "\\u%04x", c);
                    out_ += buf;
                } else {
                    out_ += (char)c;
                }
            }
        }
        out_ += '"';
    }

    std::string out_;
    std::vector<bool> first_;
    bool afterKey_ = false;
};

// ---------------------------------------------------------------- window helpers

const UINT kSendTimeoutMs = 3000;

HWND parseHwnd(const wchar_t* s) {
    wchar_t* end = nullptr;
    unsigned long v = wcstoul(s, &end, 0);
    if (!end || *end || v == 0) throw UsageError("bad window handle: " + utf8(s));
    HWND h = (HWND)(UINT_PTR)v;
    if (!IsWindow(h)) throw std::runtime_error("no such window: " + utf8(s));
    return h;
}

long parseLong(const wchar_t* s, const char* what) {
    wchar_t* end = nullptr;
    long v = wcstol(s, &end, 0);
    if (!end || *end) throw UsageError(std::string("bad ") + what + ": " + utf8(s));
    return v;
}

std::wstring className(HWND h) {
    wchar_t buf[256] = L"";
    GetClassNameW(h, buf, 256);
    return buf;
}

// The text of a window in another process. GetWindowText does not ask other
// processes (it would miss an edit control's contents), so send WM_GETTEXT.
std::wstring windowText(HWND h) {
    DWORD_PTR len = 0;
    if (!SendMessageTimeoutW(h, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &len))
        failWin32(L"WM_GETTEXTLENGTH");
    std::vector<wchar_t> buf(len + 2, L'\0');
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutW(h, WM_GETTEXT, buf.size(), (LPARAM)buf.data(), SMTO_ABORTIFHUNG,
                             kSendTimeoutMs, &got))
        failWin32(L"WM_GETTEXT");
    return std::wstring(buf.data(), got < buf.size() ? got : buf.size() - 1);
}

// A top-level window's caption, as stored by the system: asking for it this way
// never waits on the window's thread, so a hung program cannot stall a listing.
std::wstring caption(HWND h) {
    wchar_t buf[1024] = L"";
    GetWindowTextW(h, buf, 1024);
    return buf;
}

RECT clientRectOnScreen(HWND h) {
    RECT r = {0, 0, 0, 0};
    GetClientRect(h, &r);
    POINT tl = {r.left, r.top}, br = {r.right, r.bottom};
    ClientToScreen(h, &tl);
    ClientToScreen(h, &br);
    return RECT{tl.x, tl.y, br.x, br.y};
}

std::wstring processImageName(DWORD pid) {
    HANDLE p = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!p) return L"";
    std::wstring buf(32768, L'\0');  // programs may live deeper than MAX_PATH
    DWORD n = (DWORD)buf.size();
    std::wstring name;
    if (QueryFullProcessImageNameW(p, 0, &buf[0], &n)) {
        name = buf.substr(0, n);
        size_t slash = name.find_last_of(L"\\/");
        if (slash != std::wstring::npos) name = name.substr(slash + 1);
    }
    CloseHandle(p);
    return name;
}

// Wine runs a few service processes of its own (the shell's desktop, the
// clipboard manager, services, ...). Their windows are noise for a test.
bool isWineServiceProcess(const std::wstring& exe) {
    static const wchar_t* const names[] = {
        L"explorer.exe", L"services.exe", L"winedevice.exe", L"plugplay.exe",
        L"svchost.exe", L"rpcss.exe", L"conhost.exe", L"tabtip.exe", L"wineboot.exe",
    };
    for (const wchar_t* n : names)
        if (_wcsicmp(exe.c_str(), n) == 0) return true;
    return false;
}

// Every GUI thread owns hidden "Default IME" windows; they are not the program's.
bool isImeWindow(HWND h) {
    std::wstring c = className(h);
    return c == L"IME" || c == L"MSCTFIME UI";
}

void describeWindow(Json& j, HWND h) {
    DWORD pid = 0;
    DWORD tid = GetWindowThreadProcessId(h, &pid);
    LONG style = GetWindowLongW(h, GWL_STYLE);
    LONG exStyle = GetWindowLongW(h, GWL_EXSTYLE);
    RECT wr = {0, 0, 0, 0};
    GetWindowRect(h, &wr);
    j.beginObject();
    j.key("hwnd").hwnd(h);
    j.key("pid").num(pid);
    j.key("tid").num(tid);
    j.key("exe").str(processImageName(pid));
    j.key("class").str(className(h));
    j.key("title").str(caption(h));
    j.key("visible").boolean(IsWindowVisible(h));
    j.key("enabled").boolean(IsWindowEnabled(h));
    j.key("rect").rect(wr);
    j.key("client").rect(clientRectOnScreen(h));
    j.key("topmost").boolean((exStyle & WS_EX_TOPMOST) != 0);
    j.key("iconic").boolean(IsIconic(h));
    j.key("zoomed").boolean(IsZoomed(h));
    j.key("foreground").boolean(GetForegroundWindow() == h);
    j.key("owner").hwnd(GetWindow(h, GW_OWNER));
    j.key("style").num((unsigned long)style);
    j.key("exstyle").num((unsigned long)exStyle);
    j.endObject();
}

// ---------------------------------------------------------------- windows / window

struct WindowFilter {
    DWORD pid = 0;              // 0: any process
    std::wstring exe;           // empty: any image name
    bool all = false;           // include Wine's own service windows
    std::vector<HWND> found;
};

BOOL CALLBACK collectTopLevel(HWND h, LPARAM lp) {
    auto* f = reinterpret_cast<WindowFilter*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (pid == GetCurrentProcessId()) return TRUE;
    if (f->pid && pid != f->pid) return TRUE;
    std::wstring exe = processImageName(pid);
    if (!f->exe.empty() && _wcsicmp(exe.c_str(), f->exe.c_str()) != 0) return TRUE;
    if (!f->all && (isWineServiceProcess(exe) || isImeWindow(h))) return TRUE;
    f->found.push_back(h);
    return TRUE;
}

// windows [--pid N] [--exe NAME] [--all]: top-level windows, topmost of the z-order first.
int cmdWindows(int argc, wchar_t** argv) {
    WindowFilter f;
    for (int i = 0; i < argc; ++i) {
        std::wstring a = argv[i];
        if (a == L"--pid" && i + 1 < argc) f.pid = (DWORD)parseLong(argv[++i], "pid");
        else if (a == L"--exe" && i + 1 < argc) f.exe = argv[++i];
        else if (a == L"--all") f.all = true;
        else throw UsageError("windows: unknown argument " + utf8(a));
    }
    EnumWindows(collectTopLevel, (LPARAM)&f);
    Json j;
    j.beginArray();
    for (HWND h : f.found)
        if (IsWindow(h)) describeWindow(j, h);  // it may have closed meanwhile
    j.endArray();
    j.print();
    return 0;
}

// window HWND: the same description as `windows` gives, for one window.
int cmdWindow(int argc, wchar_t** argv) {
    if (argc != 1) throw UsageError("usage: window HWND");
    Json j;
    describeWindow(j, parseHwnd(argv[0]));
    j.print();
    return 0;
}

// ---------------------------------------------------------------- children

BOOL CALLBACK collectChild(HWND h, LPARAM lp) {
    reinterpret_cast<std::vector<HWND>*>(lp)->push_back(h);
    return TRUE;
}

std::vector<HWND> descendants(HWND parent) {
    std::vector<HWND> v;
    EnumChildWindows(parent, collectChild, (LPARAM)&v);
    return v;
}

void describeChild(Json& j, HWND h) {
    RECT r = {0, 0, 0, 0};
    GetWindowRect(h, &r);
    std::wstring cls = className(h);
    j.beginObject();
    j.key("hwnd").hwnd(h);
    j.key("parent").hwnd(GetParent(h));
    j.key("id").num(GetDlgCtrlID(h));
    j.key("class").str(cls);
    j.key("text").str(windowText(h));
    j.key("rect").rect(r);
    j.key("client").rect(clientRectOnScreen(h));
    j.key("style").num((unsigned long)GetWindowLongW(h, GWL_STYLE));
    j.key("exstyle").num((unsigned long)GetWindowLongW(h, GWL_EXSTYLE));
    j.key("enabled").boolean(IsWindowEnabled(h));
    j.key("visible").boolean(IsWindowVisible(h));
    j.key("check");
    DWORD_PTR check = 0;
    if (_wcsicmp(cls.c_str(), L"Button") == 0 &&
        SendMessageTimeoutW(h, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &check))
        j.num((long long)check);  // BST_UNCHECKED 0, BST_CHECKED 1, BST_INDETERMINATE 2
    else
        j.null();
    j.endObject();
}

// children HWND: all descendant windows, in EnumChildWindows order.
int cmdChildren(int argc, wchar_t** argv) {
    if (argc != 1) throw UsageError("usage: children HWND");
    HWND parent = parseHwnd(argv[0]);
    Json j;
    j.beginArray();
    for (HWND h : descendants(parent))
        if (IsWindow(h)) describeChild(j, h);
    j.endArray();
    j.print();
    return 0;
}

// ---------------------------------------------------------------- msgbox / press

HWND threadFocus(HWND topLevel, GUITHREADINFO* info) {
    info->cbSize = sizeof *info;
    DWORD tid = GetWindowThreadProcessId(topLevel, nullptr);
    if (!GetGUIThreadInfo(tid, info)) failWin32(L"GetGUIThreadInfo");
    return info->hwndFocus;
}

bool isDefaultButton(HWND h) {
    return (GetWindowLongW(h, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
}

// msgbox HWND: text (static id 0xFFFF), title, buttons and the default one.
// "default" is the button drawn as default (BS_DEFPUSHBUTTON), the one Enter
// presses; Wine's message boxes answer DM_GETDEFID with IDOK even when they have
// no OK button, so its raw answer is only reported as "dm_getdefid".
int cmdMsgbox(int argc, wchar_t** argv) {
    if (argc != 1) throw UsageError("usage: msgbox HWND");
    HWND dlg = parseHwnd(argv[0]);
    if (className(dlg) != L"#32770") fail(L"not a dialog window (class " + className(dlg) + L")");
    HWND textCtl = GetDlgItem(dlg, 0xFFFF);

    DWORD_PTR defId = 0;
    bool hasDefId = SendMessageTimeoutW(dlg, DM_GETDEFID, 0, 0, SMTO_ABORTIFHUNG,
                                        kSendTimeoutMs, &defId) && HIWORD(defId) == DC_HASDEFID;
    GUITHREADINFO gti;
    HWND focus = threadFocus(dlg, &gti);
    std::vector<HWND> buttons;
    for (HWND h : descendants(dlg))
        if (_wcsicmp(className(h).c_str(), L"Button") == 0) buttons.push_back(h);

    Json j;
    j.beginObject();
    j.key("hwnd").hwnd(dlg);
    j.key("title").str(caption(dlg));
    j.key("text");
    if (textCtl) j.str(windowText(textCtl)); else j.null();
    HWND defButton = nullptr;
    for (HWND h : buttons)
        if (!defButton && isDefaultButton(h)) defButton = h;
    j.key("default");
    if (defButton) j.num(GetDlgCtrlID(defButton)); else j.null();
    j.key("dm_getdefid");
    if (hasDefId) j.num(LOWORD(defId)); else j.null();
    j.key("focus_id");
    if (focus && GetParent(focus) == dlg) j.num(GetDlgCtrlID(focus)); else j.null();
    j.key("buttons").beginArray();
    for (HWND h : buttons) {
        RECT r = {0, 0, 0, 0};
        GetWindowRect(h, &r);
        j.beginObject();
        j.key("id").num(GetDlgCtrlID(h));
        j.key("text").str(windowText(h));
        j.key("default").boolean(isDefaultButton(h));
        j.key("enabled").boolean(IsWindowEnabled(h));
        j.key("visible").boolean(IsWindowVisible(h));
        j.key("rect").rect(r);
        j.endObject();
    }
    j.endArray();
    j.endObject();
    j.print();
    return 0;
}

// press HWND ID [--command]: click the dialog's button ID the way a user's click
// would end (posted BM_CLICK), refusing disabled or hidden buttons as a user
// could not click them. --command posts WM_COMMAND(ID) to HWND instead, which
// also works for menu command ids. Posting (not sending) keeps the probe from
// blocking when the click opens another modal window.
int cmdPress(int argc, wchar_t** argv) {
    if (argc < 2 || argc > 3) throw UsageError("usage: press HWND ID [--command]");
    HWND dlg = parseHwnd(argv[0]);
    int id = (int)parseLong(argv[1], "control id");
    bool viaCommand = argc == 3 && std::wstring(argv[2]) == L"--command";
    if (argc == 3 && !viaCommand) throw UsageError("press: unknown argument " + utf8(argv[2]));

    HWND ctl = GetDlgItem(dlg, id);
    const wchar_t* via = L"WM_COMMAND";
    if (viaCommand) {
        if (!PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)ctl))
            failWin32(L"PostMessage(WM_COMMAND)");
    } else {
        if (!ctl) fail(L"no control with id " + std::to_wstring(id));
        if (!IsWindowVisible(ctl)) fail(L"control " + std::to_wstring(id) + L" is hidden");
        if (!IsWindowEnabled(ctl)) fail(L"control " + std::to_wstring(id) + L" is disabled");
        if (!PostMessageW(ctl, BM_CLICK, 0, 0)) failWin32(L"PostMessage(BM_CLICK)");
        via = L"BM_CLICK";
    }
    Json j;
    j.beginObject().key("ok").boolean(true).key("via").str(via).endObject();
    j.print();
    return 0;
}

// ---------------------------------------------------------------- close / show / focus

int cmdClose(int argc, wchar_t** argv) {
    if (argc != 1) throw UsageError("usage: close HWND");
    HWND h = parseHwnd(argv[0]);
    if (!PostMessageW(h, WM_CLOSE, 0, 0)) failWin32(L"PostMessage(WM_CLOSE)");
    Json j;
    j.beginObject().key("ok").boolean(true).endObject();
    j.print();
    return 0;
}

// show HWND CMD: ShowWindow with an SW_* number (0 hide, 1 normal, 2 minimised,
// 3 maximised, 5 show, 6 minimise, 9 restore). Returns once the window's thread
// has handled it.
int cmdShow(int argc, wchar_t** argv) {
    if (argc != 2) throw UsageError("usage: show HWND SW_NUMBER");
    HWND h = parseHwnd(argv[0]);
    int cmd = (int)parseLong(argv[1], "SW_ number");
    bool wasVisible = ShowWindow(h, cmd) != FALSE;
    Json j;
    j.beginObject().key("ok").boolean(true).key("was_visible").boolean(wasVisible).endObject();
    j.print();
    return 0;
}

void describeRef(Json& j, const char* name, HWND h) {
    j.key(name);
    if (!h) { j.null(); return; }
    j.beginObject();
    j.key("hwnd").hwnd(h);
    j.key("id").num(GetDlgCtrlID(h));
    j.key("class").str(className(h));
    j.endObject();
}

// focus [HWND]: focus, active, capture and caret windows of the thread that owns
// HWND (default: the foreground window's thread).
// move HWND X Y [WIDTH HEIGHT]: puts a window's top-left corner at X, Y (screen pixels), as
// a drag would, and gives it a size when one is given.
int cmdMove(int argc, wchar_t** argv) {
    if (argc != 3 && argc != 5) throw UsageError("usage: move HWND X Y [WIDTH HEIGHT]");
    HWND h = parseHwnd(argv[0]);
    int x = (int)parseLong(argv[1], "x"), y = (int)parseLong(argv[2], "y");
    int width = argc == 5 ? (int)parseLong(argv[3], "width") : 0;
    int height = argc == 5 ? (int)parseLong(argv[4], "height") : 0;
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | (argc == 5 ? 0 : SWP_NOSIZE);
    if (!SetWindowPos(h, nullptr, x, y, width, height, flags)) failWin32(L"SetWindowPos");
    Json j;
    j.beginObject().key("ok").boolean(true).endObject();
    j.print();
    return 0;
}

// topmost HWND [0|1]: puts a window into the always-on-top band (1, the default) or out.
int cmdTopmost(int argc, wchar_t** argv) {
    if (argc < 1 || argc > 2) throw UsageError("usage: topmost HWND [0|1]");
    HWND h = parseHwnd(argv[0]);
    bool on = argc == 1 || parseLong(argv[1], "flag") != 0;
    if (!SetWindowPos(h, on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE))
        failWin32(L"SetWindowPos");
    Json j;
    j.beginObject().key("ok").boolean(true).endObject();
    j.print();
    return 0;
}

// caption HWND: how wide the window's title is in the caption font for the window's dpi, and
// the room its title bar leaves for it between the icon and the close button.
int cmdCaption(int argc, wchar_t** argv) {
    if (argc != 1) throw UsageError("usage: caption HWND");
    HWND h = parseHwnd(argv[0]);
    const UINT dpi = GetDpiForWindow(h);
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi))
        failWin32(L"SystemParametersInfoForDpi");
    wchar_t title[512] = L"";
    const int length = GetWindowTextW(h, title, 512);
    HFONT font = CreateFontIndirectW(&metrics.lfCaptionFont);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE text = {};
    GetTextExtentPoint32W(dc, title, length, &text);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    DeleteObject(font);
    RECT r;
    GetWindowRect(h, &r);
    const int frame = GetSystemMetricsForDpi(SM_CXFIXEDFRAME, dpi) + GetSystemMetricsForDpi(SM_CXBORDER, dpi);
    const int room = (r.right - r.left) - 2 * frame - GetSystemMetricsForDpi(SM_CXSMICON, dpi) -
                     GetSystemMetricsForDpi(SM_CXSIZE, dpi) - 2 * GetSystemMetricsForDpi(SM_CXEDGE, dpi);
    Json j;
    j.beginObject().key("dpi").num(dpi).key("text_width").num(text.cx).key("room").num(room).endObject();
    j.print();
    return 0;
}

int cmdFocus(int argc, wchar_t** argv) {
    if (argc > 1) throw UsageError("usage: focus [HWND]");
    HWND top = argc == 1 ? parseHwnd(argv[0]) : GetForegroundWindow();
    if (!top) fail(L"no foreground window");
    GUITHREADINFO gti;
    threadFocus(top, &gti);
    Json j;
    j.beginObject();
    j.key("thread").num(GetWindowThreadProcessId(top, nullptr));
    describeRef(j, "focus", gti.hwndFocus);
    describeRef(j, "active", gti.hwndActive);
    describeRef(j, "capture", gti.hwndCapture);
    describeRef(j, "caret", gti.hwndCaret);
    j.key("caret_rect").rect(gti.rcCaret);  // client coordinates of the caret window
    j.key("foreground").hwnd(GetForegroundWindow());
    wchar_t hkl[16];  // the thread's input language and layout, e.g. e0010804
    swprintf(hkl, 16, L"%08lx",
             (unsigned long)(UINT_PTR)GetKeyboardLayout(GetWindowThreadProcessId(top, nullptr)));
    j.key("keyboard_layout").str(hkl);
    j.endObject();
    j.print();
    return 0;
}

// ---------------------------------------------------------------- clipboard

// Another process may hold the clipboard for a moment: retry for up to 2 s.
void openClipboard() {
    for (int i = 0; i < 100; ++i) {
        if (OpenClipboard(nullptr)) return;
        Sleep(20);
    }
    failWin32(L"OpenClipboard");
}

int cmdClipboardSet(int argc, wchar_t** argv) {
    if (argc != 1) throw UsageError("usage: clipboard-set TEXT");
    std::wstring text = argv[0];
    size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!mem) failWin32(L"GlobalAlloc");
    memcpy(GlobalLock(mem), text.c_str(), bytes);
    GlobalUnlock(mem);
    openClipboard();
    EmptyClipboard();
    bool ok = SetClipboardData(CF_UNICODETEXT, mem) != nullptr;
    CloseClipboard();
    if (!ok) { GlobalFree(mem); failWin32(L"SetClipboardData"); }
    Json j;
    j.beginObject().key("ok").boolean(true).endObject();
    j.print();
    return 0;
}

int cmdClipboardClear(int argc, wchar_t**) {
    if (argc != 0) throw UsageError("usage: clipboard-clear");
    openClipboard();
    bool ok = EmptyClipboard();
    CloseClipboard();
    if (!ok) failWin32(L"EmptyClipboard");
    Json j;
    j.beginObject().key("ok").boolean(true).endObject();
    j.print();
    return 0;
}

// clipboard-get: {"text": CF_UNICODETEXT contents, or null when there is none}.
int cmdClipboardGet(int argc, wchar_t**) {
    if (argc != 0) throw UsageError("usage: clipboard-get");
    openClipboard();
    Json j;
    j.beginObject().key("text");
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    const wchar_t* p = data ? static_cast<const wchar_t*>(GlobalLock(data)) : nullptr;
    if (p) {
        size_t cap = GlobalSize(data) / sizeof(wchar_t);
        j.str(std::wstring(p, wcsnlen(p, cap)));
        GlobalUnlock(data);
    } else {
        j.null();
    }
    CloseClipboard();
    j.endObject();
    j.print();
    return 0;
}

// ---------------------------------------------------------------- type

// type TEXT: text as Unicode key packets (KEYEVENTF_UNICODE: WM_KEYDOWN VK_PACKET,
// then WM_CHAR), the way input methods and on-screen keyboards enter text. They
// join the system's input stream and reach the focused window of the foreground
// thread like key presses. For Chinese, which no X key produces reliably.
int cmdType(int argc, wchar_t** argv) {
    if (argc != 1) throw UsageError("usage: type TEXT");
    std::wstring text = argv[0];
    std::vector<INPUT> inputs;
    for (wchar_t unit : text) {
        INPUT in = {};
        in.type = INPUT_KEYBOARD;
        in.ki.wScan = unit;
        in.ki.dwFlags = KEYEVENTF_UNICODE;
        inputs.push_back(in);
        in.ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
        inputs.push_back(in);
    }
    UINT sent = inputs.empty() ? 0 : SendInput((UINT)inputs.size(), inputs.data(), sizeof(INPUT));
    if (sent != inputs.size()) failWin32(L"SendInput");
    Json j;
    j.beginObject().key("ok").boolean(true).key("units").num((long long)text.size()).endObject();
    j.print();
    return 0;
}

// ---------------------------------------------------------------- gui-resources

// gui-resources PID: GDI and USER object counts of a process. Where the system
// does not count them (GetGuiResources answers 0 with an error set), the counts
// are null and "supported" is false, so a test can skip instead of passing on 0.
int cmdGuiResources(int argc, wchar_t** argv) {
    if (argc != 1) throw UsageError("usage: gui-resources PID");
    DWORD pid = (DWORD)parseLong(argv[0], "pid");
    HANDLE p = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
    if (!p) failWin32(L"OpenProcess(" + std::to_wstring(pid) + L")");
    SetLastError(0);
    DWORD gdi = GetGuiResources(p, GR_GDIOBJECTS);
    DWORD gdiErr = GetLastError();
    SetLastError(0);
    DWORD user = GetGuiResources(p, GR_USEROBJECTS);
    DWORD userErr = GetLastError();
    CloseHandle(p);
    bool gdiOk = gdi != 0 || gdiErr == 0;
    bool userOk = user != 0 || userErr == 0;
    Json j;
    j.beginObject();
    j.key("pid").num(pid);
    j.key("gdi"); if (gdiOk) j.num(gdi); else j.null();
    j.key("user"); if (userOk) j.num(user); else j.null();
    j.key("supported").boolean(gdiOk && userOk);
    j.key("error").num(gdiOk ? userErr : gdiErr);
    j.endObject();
    j.print();
    return 0;
}

// ---------------------------------------------------------------- font

// A font by face name and height, selected into a memory DC, released on every path.
struct FontInMemoryDc {
    FontInMemoryDc(const wchar_t* face, int height) {
        LOGFONTW lf = {};
        lf.lfHeight = height;
        lf.lfCharSet = DEFAULT_CHARSET;
        wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
        font = CreateFontIndirectW(&lf);
        if (!font) failWin32(L"CreateFontIndirect");
        dc = CreateCompatibleDC(nullptr);
        old = SelectObject(dc, font);
    }
    ~FontInMemoryDc() {
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(font);
    }
    FontInMemoryDc(const FontInMemoryDc&) = delete;
    FontInMemoryDc& operator=(const FontInMemoryDc&) = delete;

    HFONT font = nullptr;
    HDC dc = nullptr;
    HGDIOBJ old = nullptr;
};

// font FACE [HEIGHT]: which real font the system picks for a face name, to check
// the prefix's font set-up (GetTextFace echoes the request; the full name does not).
int cmdFont(int argc, wchar_t** argv) {
    if (argc < 1 || argc > 2) throw UsageError("usage: font FACE [HEIGHT]");
    int height = argc == 2 ? (int)parseLong(argv[1], "height") : -12;
    const FontInMemoryDc selected(argv[0], height);
    const HDC dc = selected.dc;
    wchar_t face[LF_FACESIZE] = L"";
    GetTextFaceW(dc, LF_FACESIZE, face);
    TEXTMETRICW tm = {};
    GetTextMetricsW(dc, &tm);
    std::wstring family, full;
    if (UINT size = GetOutlineTextMetricsW(dc, 0, nullptr)) {
        std::vector<char> buf(size);
        auto* otm = reinterpret_cast<OUTLINETEXTMETRICW*>(buf.data());
        if (GetOutlineTextMetricsW(dc, size, otm)) {
            family = reinterpret_cast<const wchar_t*>(buf.data() + (UINT_PTR)otm->otmpFamilyName);
            full = reinterpret_cast<const wchar_t*>(buf.data() + (UINT_PTR)otm->otmpFullName);
        }
    }
    Json j;
    j.beginObject();
    j.key("requested").str(argv[0]);
    j.key("face").str(face);
    j.key("family").str(family);
    j.key("full_name").str(full);
    j.key("height").num(tm.tmHeight);
    j.key("ave_char_width").num(tm.tmAveCharWidth);
    j.key("charset").num(tm.tmCharSet);
    j.endObject();
    j.print();
    return 0;
}

// glyphs FACE HEIGHT TEXT: the anti-aliased bitmap the system's font rasteriser makes for
// each character of TEXT (GetGlyphOutline, 65 grey levels), as its size, origin and a hash
// of its bytes: the same source drawn by two builds differs on screen only where these do.
int cmdGlyphs(int argc, wchar_t** argv) {
    if (argc != 3) throw UsageError("usage: glyphs FACE HEIGHT TEXT");
    const FontInMemoryDc selected(argv[0], (int)parseLong(argv[1], "height"));
    const HDC dc = selected.dc;
    const MAT2 identity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    Json j;
    j.beginArray();
    for (const wchar_t* c = argv[2]; *c; ++c) {
        GLYPHMETRICS metrics = {};
        DWORD size = GetGlyphOutlineW(dc, *c, GGO_GRAY8_BITMAP, &metrics, 0, nullptr, &identity);
        if (size == GDI_ERROR) failWin32(L"GetGlyphOutline");
        std::vector<unsigned char> bits(size);
        if (size && GetGlyphOutlineW(dc, *c, GGO_GRAY8_BITMAP, &metrics, size, bits.data(), &identity) == GDI_ERROR)
            failWin32(L"GetGlyphOutline");
        // FNV-1a over each row's pixels, not the padding that ends it at a DWORD boundary.
        const size_t pitch = (metrics.gmBlackBoxX + 3) / 4 * 4;
        unsigned long long hash = 14695981039346656037ull;
        for (size_t row = 0; size && row < metrics.gmBlackBoxY; ++row)
            for (size_t x = 0; x < metrics.gmBlackBoxX; ++x) hash = (hash ^ bits[row * pitch + x]) * 1099511628211ull;
        j.beginObject();
        j.key("char").str(std::wstring(1, *c));
        j.key("width").num(metrics.gmBlackBoxX);
        j.key("height").num(metrics.gmBlackBoxY);
        j.key("x").num(metrics.gmptGlyphOrigin.x);
        j.key("y").num(metrics.gmptGlyphOrigin.y);
        j.key("hash").str(std::to_wstring(hash));
        j.endObject();
    }
    j.endArray();
    j.print();
    return 0;
}

// ---------------------------------------------------------------- print-rect

double parseMillimetres(const wchar_t* s) {
    wchar_t* end = nullptr;
    double v = wcstod(s, &end);
    if (end == s || *end || !(v >= 0 && v < 10000))
        throw UsageError("bad length in millimetres: " + utf8(s));
    return v;
}

std::wstring defaultPrinter() {
    DWORD size = 0;
    GetDefaultPrinterW(nullptr, &size);
    if (size == 0) failWin32(L"GetDefaultPrinter (no default printer?)");
    std::vector<wchar_t> name(size);
    if (!GetDefaultPrinterW(name.data(), &size)) failWin32(L"GetDefaultPrinter");
    return name.data();
}

// print-rect WIDTH HEIGHT LEFT TOP [--title TEXT] [--printer NAME]: print one page
// with a black rectangle WIDTH x HEIGHT millimetres whose top-left corner lies LEFT
// and TOP millimetres from the paper's top-left corner, on the default printer (or
// NAME). Placed with the printer DC's own resolution and unprintable margin: a DC's
// origin is the corner of the printable area, not of the paper. The rectangle is a
// stretched bitmap, the way a picture reaches a printer. Prints the DC's figures
// and the rectangle in device units; the job is in the spooler when this returns.
int cmdPrintRect(int argc, wchar_t** argv) {
    const char* usage = "usage: print-rect WIDTH HEIGHT LEFT TOP [--title TEXT] [--printer NAME]";
    if (argc < 4 || argc % 2) throw UsageError(usage);
    double width = parseMillimetres(argv[0]), height = parseMillimetres(argv[1]);
    double left = parseMillimetres(argv[2]), top = parseMillimetres(argv[3]);
    std::wstring title = L"winprobe print-rect", printer;
    for (int i = 4; i < argc; i += 2) {
        if (wcscmp(argv[i], L"--title") == 0) title = argv[i + 1];
        else if (wcscmp(argv[i], L"--printer") == 0) printer = argv[i + 1];
        else throw UsageError(usage);
    }
    if (printer.empty()) printer = defaultPrinter();

    HDC dc = CreateDCW(L"WINSPOOL", printer.c_str(), nullptr, nullptr);
    if (!dc) failWin32(L"CreateDC(" + printer + L")");
    const int dpiX = GetDeviceCaps(dc, LOGPIXELSX), dpiY = GetDeviceCaps(dc, LOGPIXELSY);
    const int offsetX = GetDeviceCaps(dc, PHYSICALOFFSETX);
    const int offsetY = GetDeviceCaps(dc, PHYSICALOFFSETY);
    auto deviceX = [&](double mm) { return (int)std::lround(mm * dpiX / 25.4) - offsetX; };
    auto deviceY = [&](double mm) { return (int)std::lround(mm * dpiY / 25.4) - offsetY; };
    RECT r = {deviceX(left), deviceY(top), deviceX(left + width), deviceY(top + height)};

    DOCINFOW doc = {};
    doc.cbSize = sizeof doc;
    doc.lpszDocName = title.c_str();
    int job = StartDocW(dc, &doc);
    const wchar_t* step = L"StartDoc";
    bool ok = job > 0;
    if (ok) { step = L"StartPage"; ok = StartPage(dc) > 0; }
    if (ok) {
        BITMAPINFO bmi = {};
        bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bmi.bmiHeader.biWidth = 1;
        bmi.bmiHeader.biHeight = 1;
        bmi.bmiHeader.biPlanes = 1;
        bmi.bmiHeader.biBitCount = 32;
        bmi.bmiHeader.biCompression = BI_RGB;
        const DWORD black = 0;
        step = L"StretchDIBits";
        int lines = StretchDIBits(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, 0, 0, 1, 1,
                                  &black, &bmi, DIB_RGB_COLORS, SRCCOPY);
        ok = lines > 0 && lines != (int)GDI_ERROR;
    }
    if (ok) { step = L"EndPage"; ok = EndPage(dc) > 0; }
    if (ok) { step = L"EndDoc"; ok = EndDoc(dc) > 0; }
    DWORD error = GetLastError();
    if (!ok && job > 0) AbortDoc(dc);
    Json j;
    if (ok) {
        j.beginObject();
        j.key("printer").str(printer);
        j.key("title").str(title);
        j.key("job").num(job);
        j.key("logpixelsx").num(dpiX);
        j.key("logpixelsy").num(dpiY);
        j.key("physicalwidth").num(GetDeviceCaps(dc, PHYSICALWIDTH));
        j.key("physicalheight").num(GetDeviceCaps(dc, PHYSICALHEIGHT));
        j.key("physicaloffsetx").num(offsetX);
        j.key("physicaloffsety").num(offsetY);
        j.key("horzres").num(GetDeviceCaps(dc, HORZRES));
        j.key("vertres").num(GetDeviceCaps(dc, VERTRES));
        j.key("rect").rect(r);
        j.endObject();
    }
    DeleteDC(dc);
    if (!ok) {
        SetLastError(error);
        failWin32(std::wstring(step) + L" on " + printer);
    }
    j.print();
    return 0;
}

// ---------------------------------------------------------------- dispatch

struct Command {
    const wchar_t* name;
    int (*run)(int, wchar_t**);
    const char* usage;
};

const Command kCommands[] = {
    {L"windows", cmdWindows, "windows [--pid N] [--exe NAME] [--all]"},
    {L"window", cmdWindow, "window HWND"},
    {L"children", cmdChildren, "children HWND"},
    {L"msgbox", cmdMsgbox, "msgbox HWND"},
    {L"press", cmdPress, "press HWND ID [--command]"},
    {L"close", cmdClose, "close HWND"},
    {L"show", cmdShow, "show HWND SW_NUMBER"},
    {L"focus", cmdFocus, "focus [HWND]"},
    {L"caption", cmdCaption, "caption HWND"},
    {L"move", cmdMove, "move HWND X Y [WIDTH HEIGHT]"},
    {L"topmost", cmdTopmost, "topmost HWND [0|1]"},
    {L"type", cmdType, "type TEXT"},
    {L"clipboard-set", cmdClipboardSet, "clipboard-set TEXT"},
    {L"clipboard-get", cmdClipboardGet, "clipboard-get"},
    {L"clipboard-clear", cmdClipboardClear, "clipboard-clear"},
    {L"gui-resources", cmdGuiResources, "gui-resources PID"},
    {L"font", cmdFont, "font FACE [HEIGHT]"},
    {L"glyphs", cmdGlyphs, "glyphs FACE HEIGHT TEXT"},
    {L"print-rect", cmdPrintRect, "print-rect WIDTH HEIGHT LEFT TOP [--title TEXT] [--printer NAME]"},
};

void printUsage() {
    fputs("usage: winprobe COMMAND ARGS...\n", stderr);
    for (const Command& c : kCommands) fprintf(stderr, "  %s\n", c.usage);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) { printUsage(); return 2; }
    for (const Command& c : kCommands) {
        if (wcscmp(argv[1], c.name) != 0) continue;
        try {
            return c.run(argc - 2, argv + 2);
        } catch (const UsageError& e) {
            fprintf(stderr, "winprobe: %s\n", e.what());
            return 2;
        } catch (const std::exception& e) {
            fprintf(stderr, "winprobe %s: %s\n", utf8(c.name).c_str(), e.what());
            return 1;
        }
    }
    fprintf(stderr, "winprobe: unknown command %s\n", utf8(argv[1]).c_str());
    printUsage();
    return 2;
}
