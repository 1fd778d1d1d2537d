#include "desktop/files.h"

#include <algorithm>

#include "desktop/application.h"
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

// The error of a failed write, read where it failed: anything closed or deleted after it
// may overwrite the thread's last error. A write that takes nothing has failed too.
DWORD write_all(HANDLE file, ByteRun run) {
    std::size_t done = 0;
    while (done < run.size) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(run.size - done, 1 << 20));
        DWORD written = 0;
        if (!WriteFile(file, run.data + done, chunk, &written, nullptr)) return GetLastError();
        if (written == 0) return ERROR_WRITE_FAULT;
        done += written;
    }
    return ERROR_SUCCESS;
}

DWORD write_and_flush(HANDLE file, std::initializer_list<ByteRun> runs) {
    for (const ByteRun& run : runs)
        if (const DWORD error = write_all(file, run)) return error;
    return FlushFileBuffers(file) ? ERROR_SUCCESS : GetLastError();
}

}  // namespace

WriteOutcome write_file_replacing(const std::wstring& path, std::initializer_list<ByteRun> runs) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return failure(ERROR_ACCESS_DENIED);

    wchar_t temporary[MAX_PATH + 1];
    if (!GetTempFileNameW(directory_of(path).c_str(), identity().temporary_prefix.c_str(), 0, temporary))
        return failure(GetLastError());

    DWORD error = ERROR_SUCCESS;
    {
        File file(CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        error = file ? write_and_flush(file.get(), runs) : GetLastError();
    }
    if (!error && !MoveFileExW(temporary, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = GetLastError();
    if (!error) return {true, {}};
    DeleteFileW(temporary);
    return failure(error);
}

}  // namespace desktop
