#include "os/com.h"

#include "os/system_library.h"

namespace os {
namespace {

// How deep this thread is in apartments it joined itself (a nested join is counted too).
thread_local int apartments_joined = 0;

}  // namespace

ComApartment::ComApartment(Kind kind) {
    static const auto initialise = system_function<decltype(::CoInitializeEx)>(L"ole32.dll", "CoInitializeEx");
    const DWORD model = kind == Kind::SingleThreaded ? COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE
                                                     : COINIT_MULTITHREADED;
    joined_ = initialise && SUCCEEDED(initialise(nullptr, model));
    if (joined_) ++apartments_joined;
}

ComApartment::~ComApartment() {
    static const auto uninitialise = system_function<decltype(::CoUninitialize)>(L"ole32.dll", "CoUninitialize");
    if (!joined_) return;
    --apartments_joined;
    uninitialise();
}

bool com_ready() { return apartments_joined > 0; }

HRESULT create_instance(REFCLSID kind, REFIID wanted, void** made) {
    static const auto create = system_function<decltype(::CoCreateInstance)>(L"ole32.dll", "CoCreateInstance");
    if (!com_ready() || !create) return CO_E_NOTINITIALIZED;
    return create(kind, nullptr, CLSCTX_INPROC_SERVER, wanted, made);
}

void free_task_memory(void* memory) {
    static const auto free = system_function<decltype(::CoTaskMemFree)>(L"ole32.dll", "CoTaskMemFree");
    if (free && memory) free(memory);
}

}  // namespace os
