#include "desktop/files.h"

#include <algorithm>

#include "desktop/handles.h"
#include "desktop/win32.h"

namespace desktop {
namespace {

std::wstring system_reason(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring reason = length ? std::wstring(text, length) : L"错误代码 " + std::to_wstring(error);
    LocalFree(text);
    while (!reason.empty() && (reason.back() == L'\n' || reason.back() == L'\r' || reason.back() == L' '))
        reason.pop_back();
    return reason;
}

WriteOutcome failure(DWORD error) { return {false, system_reason(error)}; }

std::wstring directory_of(const std::wstring& path) {
    const auto separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? L"." : path.substr(0, separator + 1);
}

bool write_all(HANDLE file, ByteRun run) {
    std::size_t done = 0;
    while (done < run.size) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(run.size - done, 1 << 20));
        DWORD written = 0;
        if (!WriteFile(file, run.data + done, chunk, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

bool write_all(HANDLE file, std::initializer_list<ByteRun> runs) {
    for (const ByteRun& run : runs)
        if (!write_all(file, run)) return false;
    return true;
}

}  // namespace

WriteOutcome write_file_replacing(const std::wstring& path, std::initializer_list<ByteRun> runs) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return failure(ERROR_ACCESS_DENIED);

    wchar_t temporary[MAX_PATH + 1];
    if (!GetTempFileNameW(directory_of(path).c_str(), L"vel", 0, temporary)) return failure(GetLastError());

    bool complete = false;
    {
        const HANDLE opened = CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        const KernelHandle file(opened == INVALID_HANDLE_VALUE ? nullptr : opened);
        complete = file && write_all(file.get(), runs) && FlushFileBuffers(file.get());
    }
    const DWORD error = complete ? ERROR_SUCCESS : GetLastError();
    if (complete && MoveFileExW(temporary, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return {true, {}};
    const DWORD move_error = complete ? GetLastError() : error;
    DeleteFileW(temporary);
    return failure(move_error);
}

}  // namespace desktop
