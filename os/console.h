// Lines of text for the console the program was started from, when it runs from a command
// line without windows: a console window gets them as text, a pipe or file as UTF-8.
#pragma once

#include <string_view>

namespace os {

void print_line(std::wstring_view line, bool error = false);

}  // namespace os
