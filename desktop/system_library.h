// Functions of the system libraries that only some commands need (COM, the shell, the common
// dialogs, the spooler), looked up the first time they are called: starting the program loads
// none of those libraries, and costs no more time or memory than it did without them.
#pragma once

#include "desktop/win32.h"

namespace desktop {

// The address of a function in a system library, loading the library on first use; null when
// the library or the function is not there.
FARPROC system_procedure(const wchar_t* library, const char* name);

// The same, typed: system_function<decltype(::CoCreateInstance)>(L"ole32.dll", "CoCreateInstance").
template <class Function>
Function* system_function(const wchar_t* library, const char* name) {
    return reinterpret_cast<Function*>(reinterpret_cast<void*>(system_procedure(library, name)));
}

}  // namespace desktop
