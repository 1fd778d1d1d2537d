// COM for the program: an owner for interface pointers, and the apartments threads
// join. Each thread that uses COM joins explicitly, for as long as it lives: the user-interface
// thread the single-threaded apartment at the program's start (the system's dialogs need it),
// a worker the multithreaded one when it starts. No thread joins on another's behalf.
#pragma once

#include <string>
#include <utility>

#include "os/win32.h"

#include <objbase.h>

namespace os {

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

// This thread's membership of a COM apartment, from construction to destruction.
class ComApartment {
public:
    enum class Kind { SingleThreaded, Multithreaded };
    explicit ComApartment(Kind kind);
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment();
    explicit operator bool() const { return joined_; }

private:
    bool joined_ = false;
};

// True when this thread has joined an apartment: COM is used from no other.
bool com_ready();
// CoCreateInstance for an in-process object; CO_E_NOTINITIALIZED unless com_ready().
HRESULT create_instance(REFCLSID kind, REFIID wanted, void** made);
// CoTaskMemFree.
void free_task_memory(void* memory);

}  // namespace os
