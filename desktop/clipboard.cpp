#include "desktop/clipboard.h"

#include <cstring>

#include "desktop/modal.h"
#include "desktop/win32.h"

namespace desktop {
namespace {

std::wstring last_error_text() {
    wchar_t* text = nullptr;
    const DWORD error = GetLastError();
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring reason = text ? text : L"错误代码 " + std::to_wstring(error);
    LocalFree(text);
    while (!reason.empty() && (reason.back() == L'\n' || reason.back() == L'\r')) reason.pop_back();
    return reason;
}

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
        failure = last_error_text();
        return false;
    }
    for (const ClipboardData& item : data) {
        const HGLOBAL memory = global_copy(item.bytes);
        if (!memory || !SetClipboardData(format_id(item.format), memory)) {
            failure = last_error_text();
            if (memory) GlobalFree(memory);
            EmptyClipboard();
            return false;
        }
    }
    return true;
}

}  // namespace desktop
