// One copy of the program at a time, through a named mutex.
#pragma once

#include <optional>
#include <string>

#include "os/handles.h"

namespace os {

class SingleInstance {
public:
    explicit SingleInstance(std::wstring mutex_name) : mutex_name_(std::move(mutex_name)) {}

    // True when another copy of the program is running. Asked once: later calls give the
    // first answer, so a window that loads again does not find its own process.
    bool another_copy_runs();

private:
    std::wstring mutex_name_;
    std::optional<bool> answer_;
    KernelHandle mutex_;  // held while this copy is the one
};

// The check behind it: true when a copy holds the named mutex already, whether or not this
// one may open it; otherwise this copy holds it in mutex from now on.
bool claim_single_instance(const std::wstring& name, KernelHandle& mutex);

}  // namespace os
