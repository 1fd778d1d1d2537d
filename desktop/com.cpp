#include "desktop/com.h"

#include "desktop/system_library.h"

namespace desktop {

bool com_ready() {
    static const bool ready = [] {
        const auto initialise = system_function<decltype(::CoInitializeEx)>(L"ole32.dll", "CoInitializeEx");
        return initialise && SUCCEEDED(initialise(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
    }();
    return ready;
}

HRESULT create_instance(REFCLSID kind, REFIID wanted, void** made) {
    static const auto create = system_function<decltype(::CoCreateInstance)>(L"ole32.dll", "CoCreateInstance");
    if (!com_ready() || !create) return CO_E_NOTINITIALIZED;
    return create(kind, nullptr, CLSCTX_INPROC_SERVER, wanted, made);
}

void free_task_memory(void* memory) {
    static const auto free = system_function<decltype(::CoTaskMemFree)>(L"ole32.dll", "CoTaskMemFree");
    if (free && memory) free(memory);
}

}  // namespace desktop
