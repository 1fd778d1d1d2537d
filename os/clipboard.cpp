#include "os/clipboard.h"

#include <cstring>
#include <cwchar>

#include "os/errors.h"
#include "os/win32.h"

namespace os {
namespace {

// Keeps the clipboard open for as long as it lives.
class OpenClipboardScope {
public:
    explicit OpenClipboardScope(HWND owner)
        : open_(OpenClipboard(owner) != FALSE), error_(open_ ? ERROR_SUCCESS : GetLastError()) {}
    OpenClipboardScope(const OpenClipboardScope&) = delete;
    OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;
    ~OpenClipboardScope() {
        if (open_) CloseClipboard();
    }
    bool open() const { return open_; }
    DWORD error() const { return error_; }  // why it could not be opened

private:
    bool open_;
    DWORD error_;
};

UINT format_id(const std::wstring& format) {
    return format == L"CF_DIB" ? CF_DIB : RegisterClipboardFormatW(format.c_str());
}

// Memory the clipboard takes over once SetClipboardData succeeds; error says why there is none.
HGLOBAL global_copy(ByteRun bytes, DWORD& error) {
    const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size);
    void* locked = memory ? GlobalLock(memory) : nullptr;
    if (!locked) {
        error = GetLastError();  // before GlobalFree can change it
        if (memory) GlobalFree(memory);
        return nullptr;
    }
    std::memcpy(locked, bytes.data, bytes.size);
    GlobalUnlock(memory);
    return memory;
}

// Puts one format on the open clipboard; where a step fails, error is read right there.
bool put_one(const ClipboardData& item, DWORD& error) {
    const UINT format = format_id(item.format);
    if (!format) {
        error = GetLastError();
        return false;
    }
    const HGLOBAL memory = global_copy(item.bytes, error);
    if (!memory) return false;
    if (SetClipboardData(format, memory)) return true;
    error = GetLastError();
    GlobalFree(memory);
    return false;
}

}  // namespace

bool put_on_clipboard(HWND owner, std::initializer_list<ClipboardData> data, std::wstring& failure) {
    const OpenClipboardScope clipboard(owner);
    if (!clipboard.open()) {
        failure = system_reason(clipboard.error());
        return false;
    }
    if (!EmptyClipboard()) {
        failure = system_reason(GetLastError());
        return false;
    }
    for (const ClipboardData& item : data) {
        DWORD error = ERROR_SUCCESS;
        if (!put_one(item, error)) {
            failure = system_reason(error);
            EmptyClipboard();
            return false;
        }
    }
    return true;
}

std::wstring clipboard_text(HWND owner) {
    const OpenClipboardScope clipboard(owner);
    const HANDLE data = clipboard.open() ? GetClipboardData(CF_UNICODETEXT) : nullptr;
    const auto* text = static_cast<const wchar_t*>(data ? GlobalLock(data) : nullptr);
    if (!text) return {};
    std::wstring copy(text, wcsnlen(text, GlobalSize(data) / sizeof(wchar_t)));
    GlobalUnlock(data);
    return copy;
}

}  // namespace os
