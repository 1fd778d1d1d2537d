// The system's own words for what went wrong, for messages the user reads.
#pragma once

#include <string>

#include "desktop/win32.h"

namespace desktop {

std::wstring system_reason(DWORD error);
// For a failed COM call: the system's words and the code itself.
std::wstring com_reason(HRESULT result);

}  // namespace desktop
