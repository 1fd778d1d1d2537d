// COM for the desktop layer: an owner for interface pointers, and the one apartment the
// user-interface thread joins before its first COM call.
#pragma once

#include <string>
#include <utility>

#include "desktop/win32.h"

#include <objbase.h>

namespace desktop {

// Releases its interface exactly once; move-only.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            reset();
            pointer_ = std::exchange(other.pointer_, nullptr);
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() { reset(); }

    T* get() const { return pointer_; }
    T* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }
    // For calls that hand out a new interface: the previous one is released first.
    T** put() {
        reset();
        return &pointer_;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }
    void reset() {
        if (pointer_) pointer_->Release();
        pointer_ = nullptr;
    }

private:
    T* pointer_ = nullptr;
};

// Joins the single-threaded apartment that the system's dialogs and the imaging component
// want, once per process; true when COM can be used. COM's library is loaded only then.
bool com_ready();
// CoCreateInstance for an in-process object, after com_ready().
HRESULT create_instance(REFCLSID kind, REFIID wanted, void** made);
// CoTaskMemFree.
void free_task_memory(void* memory);

}  // namespace desktop
