// An opt-in trace for tests and the benchmark: when the environment variable the program
// names at its start holds a file path, each event is appended to it as one line,
// "<seconds since 1970, microsecond precision> <event> <detail>". Off by default.
#pragma once

#include <string>
#include <string_view>

namespace os {

// Opens the file that the environment variable names, if it names one; first thing, before
// any other thread runs.
void start_trace(const std::wstring& variable);

bool tracing();
void trace(std::string_view event, std::wstring_view detail = {});

// For tests that must catch the program at a given point (to kill it there, say): when the
// trace variable's companion <variable>_PAUSE names this point, the program traces
// "paused <point>" and stands still there for a minute. Does nothing otherwise.
void pause_here_for_tests(std::string_view point);

}  // namespace os
