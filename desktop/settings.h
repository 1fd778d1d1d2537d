// What the program remembers for the user between runs, under the registry key its identity
// names in HKEY_CURRENT_USER.
#pragma once

#include <string>

namespace desktop {

std::wstring read_setting(const std::wstring& name, const std::wstring& otherwise = {});
bool read_setting(const std::wstring& name, bool otherwise);
// False when the value could not be stored; the program goes on without it.
bool write_setting(const std::wstring& name, const std::wstring& value);
bool write_setting(const std::wstring& name, bool value);

}  // namespace desktop
