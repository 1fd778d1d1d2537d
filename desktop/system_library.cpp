#include "desktop/system_library.h"

namespace desktop {

FARPROC system_procedure(const wchar_t* library, const char* name) {
    // Loaded for good: what a command needed once it is likely to need again.
    const HMODULE module = LoadLibraryExW(library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return module ? GetProcAddress(module, name) : nullptr;
}

}  // namespace desktop
