// Writing files so that nothing half-written is ever left under the final name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>

namespace desktop {

struct WriteOutcome {
    bool written = false;
    std::wstring reason;  // the system's words for what went wrong; empty when written
};

// A run of bytes that lives elsewhere.
struct ByteRun {
    const std::uint8_t* data;
    std::size_t size;
};

// Writes the runs one after the other to a temporary file beside path, then renames it over
// path in one step. A read-only file already at path is not replaced.
WriteOutcome write_file_replacing(const std::wstring& path, std::initializer_list<ByteRun> runs);

}  // namespace desktop
