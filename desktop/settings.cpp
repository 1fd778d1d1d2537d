#include "desktop/settings.h"

#include <vector>

#include "desktop/application.h"
#include "desktop/win32.h"

namespace desktop {
namespace {

// An open registry key, closed when it goes.
class Key {
public:
    explicit Key(bool for_writing) {
        const std::wstring& path = identity().settings_key;
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

std::wstring read_setting(const std::wstring& name, const std::wstring& otherwise) {
    const Key key(false);
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

bool read_setting(const std::wstring& name, bool otherwise) {
    const Key key(false);
    DWORD type = 0, value = 0, size = sizeof value;
    if (!key.get() || RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value),
                                       &size) != ERROR_SUCCESS ||
        type != REG_DWORD)
        return otherwise;
    return value != 0;
}

bool write_setting(const std::wstring& name, const std::wstring& value) {
    const Key key(true);
    return key.get() && RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool write_setting(const std::wstring& name, bool value) {
    const Key key(true);
    const DWORD number = value ? 1 : 0;
    return key.get() && RegSetValueExW(key.get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                                       sizeof number) == ERROR_SUCCESS;
}

}  // namespace desktop
