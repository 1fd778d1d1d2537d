// Writing files so that nothing half-written is ever left under the final name.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace desktop {

struct WriteOutcome {
    bool written = false;
    std::wstring reason;  // the system's words for what went wrong; empty when written
};

// Writes bytes to a temporary file beside path, then renames it over path in one step.
// A read-only file already at path is not replaced.
WriteOutcome write_file_replacing(const std::wstring& path, const std::vector<std::uint8_t>& bytes);

}  // namespace desktop
