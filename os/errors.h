// The system's own words for what went wrong, for messages the user reads.
#pragma once

#include <string>

#include "os/win32.h"

namespace os {

// The error must be read where the failing call returns, before anything else runs; for 0
// (a call that failed without setting one) it says that no reason was given.
std::wstring system_reason(DWORD error);
// For a failed COM call: the system's words and the code itself.
std::wstring com_reason(HRESULT result);

}  // namespace os
