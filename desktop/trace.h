// An opt-in trace for tests and the benchmark: when the environment variable the program's
// identity names (VELMORA_TRACE for Velmora) holds a file path, each event is appended to it
// as one line, "<seconds since 1970, microsecond precision> <event> <detail>". Off by default.
#pragma once

#include <string_view>

namespace desktop {

bool tracing();
void trace(std::string_view event, std::wstring_view detail = {});

}  // namespace desktop
