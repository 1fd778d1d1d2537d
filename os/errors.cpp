#include "os/errors.h"

#include <cwchar>

namespace os {
namespace {

std::wstring message_for(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
        reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = length ? std::wstring(text, length) : std::wstring();
    LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' '))
        message.pop_back();
    return message;
}

// Some calls fail without saying why: the system's words for code 0 would call the failure a
// success ("操作成功完成").
const wchar_t kNoReason[] = L"系统没有说明原因";

}  // namespace

std::wstring system_reason(DWORD error) {
    if (error == ERROR_SUCCESS) return kNoReason;
    const std::wstring message = message_for(error);
    return message.empty() ? L"错误代码 " + std::to_wstring(error) : message;
}

std::wstring com_reason(HRESULT result) {
    wchar_t code[16];
    std::swprintf(code, 16, L"0x%08lX", static_cast<unsigned long>(result));
    if (result == S_OK) return std::wstring(kNoReason) + L" (" + code + L")";
    const std::wstring message = message_for(static_cast<DWORD>(result));
    return message.empty() ? std::wstring(L"错误代码 ") + code : message + L" (" + code + L")";
}

}  // namespace os
