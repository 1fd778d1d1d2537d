#include "desktop/clipboard.h"

#include <cstring>
#include <cwchar>

#include "desktop/errors.h"
#include "desktop/modal.h"
#include "desktop/win32.h"

namespace desktop {
namespace {

// Keeps the clipboard open for as long as it lives.
class OpenClipboardScope {
public:
    explicit OpenClipboardScope(HWND owner) : open_(OpenClipboard(owner) != FALSE) {}
    OpenClipboardScope(const OpenClipboardScope&) = delete;
    OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;
    ~OpenClipboardScope() {
        if (open_) CloseClipboard();
    }
    bool open() const { return open_; }

private:
    bool open_;
};

UINT format_id(const std::wstring& format) {
    return format == L"CF_DIB" ? CF_DIB : RegisterClipboardFormatW(format.c_str());
}

// Memory the clipboard takes over once SetClipboardData succeeds.
HGLOBAL global_copy(ByteRun bytes) {
    const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size);
    void* locked = memory ? GlobalLock(memory) : nullptr;
    if (!locked) {
        if (memory) GlobalFree(memory);
        return nullptr;
    }
    std::memcpy(locked, bytes.data, bytes.size);
    GlobalUnlock(memory);
    return memory;
}

}  // namespace

bool put_on_clipboard(std::initializer_list<ClipboardData> data, std::wstring& failure) {
    const OpenClipboardScope clipboard(modal_owner());
    if (!clipboard.open() || !EmptyClipboard()) {
        failure = system_reason(GetLastError());
        return false;
    }
    for (const ClipboardData& item : data) {
        const HGLOBAL memory = global_copy(item.bytes);
        if (!memory || !SetClipboardData(format_id(item.format), memory)) {
            failure = system_reason(GetLastError());
            if (memory) GlobalFree(memory);
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

}  // namespace desktop
