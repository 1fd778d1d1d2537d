// The floor programs' trace: with VELMORA_TRACE set, the same lines as velmora.exe's
// ("<unix seconds> <event> [detail]"), appended to the file it names, so both are timed alike.
#pragma once

#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace floor_trace {

void open();
// detail is ASCII or UTF-8 already.
void line(const char* event, const char* detail = nullptr);

}  // namespace floor_trace
