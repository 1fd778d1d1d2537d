// Writing files so that nothing half-written is ever left under the final name, and nothing
// half-written is left behind for long when a program dies while writing.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "os/byte_run.h"

namespace os {

struct WriteOutcome {
    bool written = false;
    std::wstring reason;  // the system's words for what went wrong; empty when written
};

// Writes the runs one after the other to a temporary file beside path, then renames it over
// path in one step. A read-only file already at path is not replaced. The temporary file's
// name is temporary_prefix (the program's own), eight hex digits and ".tmp"; before writing,
// such files that a program which died while writing left in the folder are removed.
// Paths of any length work.
WriteOutcome write_file_replacing(const std::wstring& path, std::initializer_list<ByteRun> runs,
                                  const std::wstring& temporary_prefix);
WriteOutcome write_file_replacing(const std::wstring& path, const std::vector<ByteRun>& runs,
                                  const std::wstring& temporary_prefix);

// Whether a file name (without its folder) is one of the program's temporary files.
bool is_temporary_name(const std::wstring& name, const std::wstring& prefix);

// The directory the running executable lies in, without a trailing separator (except at
// the root of a drive, where the platform reports one).
std::wstring executable_directory();

}  // namespace os
