// The floor's work without a window: the least a program does to write a file durably, and to
// encode a picture as PNG through the system's imaging component and write it.
#pragma once

#include <string>

namespace floor_work {

// ROUNDS times, after a pause of PAUSE_MS: the bytes of the file SOURCE written three times
// over a file beside the program, each time durably (a temporary file, written, flushed,
// renamed over the target write-through). Traces "writes.start" and "writes.done" around each
// round and "write.<step>" after each step. Returns the process's exit code.
int durable_writes(const std::wstring& source, int rounds, int pause_ms);

// The pixels of SOURCE, a 24-bit BMP (velmora.exe's --out of the same card), read without
// timing; then, as velmora.exe's command line does once its COM apartment is joined, between
// "export.start" and "export.written": the imaging component started, the pixels encoded as PNG
// in memory (24-bit rows, unfiltered, 300 dpi, handed over in bands) and written durably to OUT.
int png_encode(const std::wstring& source, const std::wstring& out);

}  // namespace floor_work
