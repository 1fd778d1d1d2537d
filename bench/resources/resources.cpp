// resources.exe: how many GDI and USER objects a process holds, for bench/run.py.
//
//   resources PID    one JSON object about process PID
//   resources self   the same counts taken of this process before and after it makes
//                    a known number of objects, to show whether the counts can be trusted
//   resources modules PID|NAME   the file names of the modules a process (given by its id,
//                    or the file name of its program) has loaded, one a line, the program
//                    first (the memory floors load the same system libraries)
//
// GetGuiResources is what Windows offers, but Wine answers it with "not implemented". The
// other counts are there so a leak still shows under Wine:
//   gdi_table       live entries of the process's GDI handle table, read from its memory
//                   through PEB.GdiSharedHandleTable (Wine keeps one table per process;
//                   the entry layout is Wine's, so "self" checks it before it is believed)
//   windows         windows the process owns: top-level, child, hidden and message-only
//   kernel_handles  GetProcessHandleCount, when the system answers it
#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

// One entry of the GDI handle table as Wine lays it out (24 bytes in 32- and 64-bit).
#pragma pack(push, 1)
struct GdiEntry {
    unsigned long long object;
    unsigned long owner;
    unsigned char ext_type_and_stock;  // bits 0-6 type, bit 7 stock object
    unsigned char generation;
    unsigned char type;                // 0: a free entry
    unsigned char flags;
    unsigned long long user_pointer;
};
#pragma pack(pop)
static_assert(sizeof(GdiEntry) == 24, "GDI table entry size");
constexpr DWORD kGdiEntries = 0x10000;
constexpr DWORD kPebGdiTableOffset = 0x94;  // PEB.GdiSharedHandleTable in a 32-bit process

// Wine's object types (the entry's 7-bit type), to tell what a change in the count is.
const char* gdi_type_name(unsigned type) {
    switch (type) {
        case 0x01: return "dc";
        case 0x41: return "memory_dc";
        case 0x04: return "region";
        case 0x05: case 0x09: return "bitmap";
        case 0x08: return "palette";
        case 0x0a: return "font";
        case 0x10: return "brush";
        case 0x30: case 0x50: return "pen";
        default: return "other";
    }
}

// -1 when the table cannot be read; `why` says what failed. `by_type` gets the live
// entries counted by kind.
long count_gdi_table(HANDLE process, std::string& why, std::map<std::string, long>& by_type) {
    using Query = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic{};
    if (!query || query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0) {
        why = "NtQueryInformationProcess failed";
        return -1;
    }
    DWORD table = 0;
    SIZE_T read = 0;
    if (!ReadProcessMemory(process, static_cast<char*>(static_cast<void*>(basic.PebBaseAddress)) + kPebGdiTableOffset,
                           &table, sizeof table, &read) || read != sizeof table || table == 0) {
        why = "no GDI handle table in the PEB (error " + std::to_string(GetLastError()) + ")";
        return -1;
    }
    std::vector<GdiEntry> entries(kGdiEntries);
    if (!ReadProcessMemory(process, reinterpret_cast<void*>(static_cast<UINT_PTR>(table)), entries.data(),
                           entries.size() * sizeof(GdiEntry), &read) ||
        read != entries.size() * sizeof(GdiEntry)) {
        why = "cannot read the GDI handle table (error " + std::to_string(GetLastError()) + ")";
        return -1;
    }
    long live = 0;
    for (const GdiEntry& e : entries) {
        if (e.type == 0 || (e.ext_type_and_stock & 0x80)) continue;  // free, or a stock object
        ++live;
        ++by_type[gdi_type_name(e.ext_type_and_stock & 0x7f)];
    }
    return live;
}

struct WindowCount {
    DWORD pid;
    long count;
};

BOOL CALLBACK count_children(HWND window, LPARAM param) {
    auto* c = reinterpret_cast<WindowCount*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == c->pid) ++c->count;
    return TRUE;
}

BOOL CALLBACK count_top_level(HWND window, LPARAM param) {
    count_children(window, param);
    EnumChildWindows(window, count_children, param);  // all descendants, not just children
    return TRUE;
}

long count_windows(DWORD pid) {
    WindowCount c{pid, 0};
    EnumWindows(count_top_level, reinterpret_cast<LPARAM>(&c));
    for (HWND w = nullptr; (w = FindWindowExW(HWND_MESSAGE, w, nullptr, nullptr)) != nullptr;)
        count_top_level(w, reinterpret_cast<LPARAM>(&c));
    return c.count;
}

std::string number_or_null(long long n, bool known) { return known ? std::to_string(n) : "null"; }

std::string quoted(const std::string& s) {
    std::string out = "\"";
    for (char ch : s) out += (ch == '"' || ch == '\\') ? std::string("\\") + ch : std::string(1, ch);
    return out + "\"";
}

struct Counts {
    bool gui_supported = false;
    DWORD gdi = 0, user = 0, gui_error = 0;
    long gdi_table = -1;
    std::string gdi_table_error;
    std::map<std::string, long> gdi_types;
    long windows = 0;
    bool handles_known = false;
    DWORD handles = 0;
};

Counts take_counts(DWORD pid) {
    Counts c;
    const HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process) {
        std::fprintf(stderr, "resources: OpenProcess(%lu) failed (error %lu)\n", pid, GetLastError());
        std::exit(1);
    }
    SetLastError(0);
    c.gdi = GetGuiResources(process, GR_GDIOBJECTS);
    const DWORD gdi_error = GetLastError();
    SetLastError(0);
    c.user = GetGuiResources(process, GR_USEROBJECTS);
    const DWORD user_error = GetLastError();
    c.gui_supported = (c.gdi != 0 || gdi_error == 0) && (c.user != 0 || user_error == 0);
    c.gui_error = gdi_error ? gdi_error : user_error;
    c.gdi_table = count_gdi_table(process, c.gdi_table_error, c.gdi_types);
    c.windows = count_windows(pid);
    c.handles_known = GetProcessHandleCount(process, &c.handles) != 0;
    CloseHandle(process);
    return c;
}

std::string json(DWORD pid, const Counts& c) {
    std::string s = "{\"pid\":" + std::to_string(pid);
    s += ",\"gui_resources\":{\"supported\":" + std::string(c.gui_supported ? "true" : "false");
    s += ",\"gdi\":" + number_or_null(c.gdi, c.gui_supported);
    s += ",\"user\":" + number_or_null(c.user, c.gui_supported);
    s += ",\"error\":" + std::to_string(c.gui_error) + "}";
    s += ",\"gdi_table\":" + number_or_null(c.gdi_table, c.gdi_table >= 0);
    if (c.gdi_table < 0) s += ",\"gdi_table_error\":" + quoted(c.gdi_table_error);
    s += ",\"gdi_types\":{";
    for (const auto& [name, count] : c.gdi_types)
        s += (s.back() == '{' ? "" : ",") + quoted(name) + ":" + std::to_string(count);
    s += "}";
    s += ",\"windows\":" + std::to_string(c.windows);
    s += ",\"kernel_handles\":" + number_or_null(c.handles, c.handles_known) + "}";
    return s;
}

// Makes known objects in this process and checks each count moves by exactly that much.
int self_check() {
    const DWORD pid = GetCurrentProcessId();
    // A first window brings up what the system makes once per process (its IME window,
    // cached DCs, ...), which would otherwise count as objects made by the check.
    const HWND first = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    DeleteObject(CreateSolidBrush(RGB(1, 2, 3)));
    take_counts(pid);
    const Counts before = take_counts(pid);
    constexpr int kBrushes = 20, kBitmaps = 5, kWindows = 3, kEvents = 4;
    std::vector<HGDIOBJ> objects;
    for (int i = 0; i < kBrushes; ++i) objects.push_back(CreateSolidBrush(RGB(i, 0, 0)));
    for (int i = 0; i < kBitmaps; ++i) objects.push_back(CreateBitmap(8, 8, 1, 32, nullptr));
    std::vector<HWND> windows;
    for (int i = 0; i < kWindows; ++i)
        windows.push_back(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
    std::vector<HANDLE> events;
    for (int i = 0; i < kEvents; ++i) events.push_back(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    const Counts during = take_counts(pid);
    for (HGDIOBJ o : objects) DeleteObject(o);
    for (HWND w : windows) DestroyWindow(w);
    for (HANDLE e : events) CloseHandle(e);
    const Counts after = take_counts(pid);
    DestroyWindow(first);

    const bool gdi_ok = before.gdi_table >= 0 && during.gdi_table - before.gdi_table == kBrushes + kBitmaps &&
                        after.gdi_table == before.gdi_table;
    const bool windows_ok = during.windows - before.windows == kWindows && after.windows == before.windows;
    const bool handles_ok = before.handles_known && during.handles - before.handles == kEvents &&
                            after.handles == before.handles;
    std::printf("{\"gdi_table_ok\":%s,\"windows_ok\":%s,\"kernel_handles_ok\":%s,"
                "\"before\":%s,\"during\":%s,\"after\":%s}\n",
                gdi_ok ? "true" : "false", windows_ok ? "true" : "false", handles_ok ? "true" : "false",
                json(pid, before).c_str(), json(pid, during).c_str(), json(pid, after).c_str());
    return 0;
}

}  // namespace

// The first process whose program has this file name; 0 when there is none.
DWORD process_named(const wchar_t* name) {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32W process{};
    process.dwSize = sizeof process;
    DWORD found = 0;
    for (BOOL more = Process32FirstW(snapshot, &process); more && !found; more = Process32NextW(snapshot, &process))
        if (_wcsicmp(process.szExeFile, name) == 0) found = process.th32ProcessID;
    CloseHandle(snapshot);
    return found;
}

int list_modules(DWORD pid) {
    if (pid == 0) return 1;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
    if (snapshot == INVALID_HANDLE_VALUE) return 1;
    MODULEENTRY32W module{};
    module.dwSize = sizeof module;
    for (BOOL more = Module32FirstW(snapshot, &module); more; more = Module32NextW(snapshot, &module))
        std::printf("%ls\n", module.szModule);
    CloseHandle(snapshot);
    return 0;
}

int wmain(int argc, wchar_t** argv) {
    if (argc == 2 && std::wcscmp(argv[1], L"self") == 0) return self_check();
    if (argc == 3 && std::wcscmp(argv[1], L"modules") == 0) {
        wchar_t* end = nullptr;
        const DWORD pid = std::wcstoul(argv[2], &end, 0);
        return list_modules(*end ? process_named(argv[2]) : pid);
    }
    if (argc != 2) {
        std::fputs("usage: resources PID | resources self | resources modules PID|NAME\n", stderr);
        return 2;
    }
    const DWORD pid = std::wcstoul(argv[1], nullptr, 0);
    std::printf("%s\n", json(pid, take_counts(pid)).c_str());
    return 0;
}
