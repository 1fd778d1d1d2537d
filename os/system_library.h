// Functions of the system libraries that only some commands need (COM, the shell, the common
// dialogs, the spooler), looked up the first time they are called: starting the program loads
// none of those libraries, and costs no more time or memory than it did without them.
#pragma once

#include <string>

#include "os/win32.h"

namespace os {

// The address of a function in a system library, loading the library on first use; null when
// the library or the function is not there.
FARPROC system_procedure(const wchar_t* library, const char* name);

// The same, typed: system_function<decltype(::CoCreateInstance)>(L"ole32.dll", "CoCreateInstance").
template <class Function>
Function* system_function(const wchar_t* library, const char* name) {
    return reinterpret_cast<Function*>(reinterpret_cast<void*>(system_procedure(library, name)));
}

// How a system library is loaded from the system folder alone, never from the program's folder
// or the current one: by name with the search flag where the system knows that flag (where
// AddDllDirectory exists: Windows 8, or 7 with update KB2533623), by its full path elsewhere.
struct LibraryLoad {
    std::wstring path;
    DWORD flags = 0;
};
LibraryLoad system_library_load(const wchar_t* library, bool search_flags_known, const std::wstring& system_folder);

}  // namespace os
