#include "os/settings.h"

#include <vector>

#include "os/win32.h"

namespace os {
namespace {

// An open registry key, closed when it goes.
class Key {
public:
    Key(const std::wstring& path, bool for_writing) {
        const LSTATUS status =
            for_writing ? RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key_, nullptr)
                        : RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &key_);
        if (status != ERROR_SUCCESS || path.empty()) key_ = nullptr;
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    ~Key() {
        if (key_) RegCloseKey(key_);
    }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

}  // namespace

std::wstring Settings::read(const std::wstring& name, const std::wstring& otherwise) const {
    const Key key(key_, false);
    DWORD type = 0, size = 0;
    if (!key.get() || RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return otherwise;
    std::vector<wchar_t> value(size / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(key.get(), name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(value.data()), &size) !=
        ERROR_SUCCESS)
        return otherwise;
    return value.data();
}

bool Settings::read(const std::wstring& name, bool otherwise) const {
    const Key key(key_, false);
    DWORD type = 0, value = 0, size = sizeof value;
    if (!key.get() || RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value),
                                       &size) != ERROR_SUCCESS ||
        type != REG_DWORD)
        return otherwise;
    return value != 0;
}

bool Settings::write(const std::wstring& name, const std::wstring& value) const {
    const Key key(key_, true);
    return key.get() && RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool Settings::write(const std::wstring& name, bool value) const {
    const Key key(key_, true);
    const DWORD number = value ? 1 : 0;
    return key.get() && RegSetValueExW(key.get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                                       sizeof number) == ERROR_SUCCESS;
}

}  // namespace os
