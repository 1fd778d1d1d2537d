#include "os/single_instance.h"

#include "os/win32.h"

namespace os {

bool claim_single_instance(const std::wstring& name, KernelHandle& mutex) {
    HANDLE created = CreateMutexW(nullptr, FALSE, name.c_str());
    const DWORD error = GetLastError();
    mutex.reset(created);
    // A copy that another user or an administrator started made the mutex so that this one
    // may not open it: that copy runs all the same.
    return error == ERROR_ALREADY_EXISTS || (!created && error == ERROR_ACCESS_DENIED);
}

bool SingleInstance::another_copy_runs() {
    if (!answer_) answer_ = claim_single_instance(mutex_name_, mutex_);
    return *answer_;
}

}  // namespace os
