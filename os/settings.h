// What the program remembers for the user between runs, under a registry key of its own in
// HKEY_CURRENT_USER.
#pragma once

#include <string>

namespace os {

class Settings {
public:
    explicit Settings(std::wstring key) : key_(std::move(key)) {}

    std::wstring read(const std::wstring& name, const std::wstring& otherwise = {}) const;
    bool read(const std::wstring& name, bool otherwise) const;
    // False when the value could not be stored; the program goes on without it.
    bool write(const std::wstring& name, const std::wstring& value) const;
    bool write(const std::wstring& name, bool value) const;

private:
    std::wstring key_;  // under HKEY_CURRENT_USER
};

}  // namespace os
