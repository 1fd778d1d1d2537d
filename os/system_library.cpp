#include "os/system_library.h"

namespace os {
namespace {

bool search_flags_known() {
    static const bool known =
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "AddDllDirectory") != nullptr;
    return known;
}

std::wstring system_folder() {
    static const std::wstring folder = [] {
        wchar_t path[MAX_PATH];
        const UINT length = GetSystemDirectoryW(path, MAX_PATH);
        return length > 0 && length < MAX_PATH ? std::wstring(path, length) : std::wstring();
    }();
    return folder;
}

}  // namespace

LibraryLoad system_library_load(const wchar_t* library, bool search_flags_known, const std::wstring& system_folder) {
    if (search_flags_known) return {library, LOAD_LIBRARY_SEARCH_SYSTEM32};
    if (system_folder.empty()) return {};  // nowhere that is surely the system's: load nothing
    const bool ends_in_separator = system_folder.back() == L'\\' || system_folder.back() == L'/';
    // The library's own dependencies are then looked for in its folder first, too.
    return {system_folder + (ends_in_separator ? L"" : L"\\") + library, LOAD_WITH_ALTERED_SEARCH_PATH};
}

FARPROC system_procedure(const wchar_t* library, const char* name) {
    const LibraryLoad load = system_library_load(library, search_flags_known(), system_folder());
    if (load.path.empty()) return nullptr;
    // Loaded for good: what a command needed once it is likely to need again.
    const HMODULE module = LoadLibraryExW(load.path.c_str(), nullptr, load.flags);
    return module ? GetProcAddress(module, name) : nullptr;
}

}  // namespace os
