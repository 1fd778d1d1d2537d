#include "os/files.h"

#include <algorithm>
#include <cwctype>
#include <vector>

#include "os/errors.h"
#include "os/handles.h"
#include "os/trace.h"
#include "os/win32.h"

namespace os {
namespace {

constexpr int kHexDigits = 8;

WriteOutcome failure(DWORD error) { return {false, system_reason(error)}; }

std::wstring directory_of(const std::wstring& path) {
    const auto separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? L".\\" : path.substr(0, separator + 1);
}

// The path made full and clean by the system's rules: the current folder, a drive's own
// current folder ("C:card.png"), "." and "..". Done before anything else, so the temporary
// file sits beside the final one and the extended form below, which takes every character
// literally, gets a clean path.
std::wstring full_path(const std::wstring& path, DWORD& error) {
    if (path.rfind(L"\\\\?\\", 0) == 0) return path;  // extended already: literal on purpose
    const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) {
        error = GetLastError();
        return {};
    }
    std::wstring full(size, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size) {  // or the current folder changed in between
        error = length == 0 ? GetLastError() : ERROR_INVALID_NAME;
        return {};
    }
    full.resize(length);
    return full;
}

// Absolute paths near or past MAX_PATH reach the file system only in their extended form.
std::wstring extended(std::wstring path) {
    constexpr std::size_t kRoomForTemporaryName = 32;
    if (path.size() + kRoomForTemporaryName < MAX_PATH || path.rfind(L"\\\\?\\", 0) == 0) return path;
    std::replace(path.begin(), path.end(), L'/', L'\\');
    if (path.size() > 2 && path[1] == L':' && path[2] == L'\\') return L"\\\\?\\" + path;
    if (path.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + path.substr(2);
    return path;
}

std::wstring hex(unsigned value) {
    wchar_t digits[kHexDigits + 1];
    for (int i = kHexDigits - 1; i >= 0; --i, value >>= 4) digits[i] = L"0123456789abcdef"[value & 0xF];
    digits[kHexDigits] = L'\0';
    return digits;
}

// Removes the temporary files that writers which died left in the folder. A live writer
// holds its file open without sharing, so the system refuses to delete that one.
void remove_stale_temporaries(const std::wstring& folder, const std::wstring& prefix) {
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileExW((folder + prefix + L"*.tmp").c_str(), FindExInfoBasic, &found,
                                           FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && is_temporary_name(found.cFileName, prefix) &&
            DeleteFileW((folder + found.cFileName).c_str()))
            trace("file.stale_removed", found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

struct Temporary {
    File file;
    std::wstring path;
};

// Creates a new temporary file in the folder, open for writing and for renaming, shared with
// nobody; a name another file already has is never reused.
Temporary create_temporary(const std::wstring& folder, const std::wstring& prefix, DWORD& error) {
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 16; ++attempt) {
        const unsigned unique = (GetCurrentProcessId() << 16) ^ (GetTickCount() << 4) ^ ++counter;
        std::wstring path = folder + prefix + hex(unique) + L".tmp";
        File file(CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                              nullptr));
        if (file) return {std::move(file), std::move(path)};
        error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
    }
    return {};
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

// Each step traced as it ends, so the benchmark can set each against the bare system's.
DWORD write_and_flush(HANDLE file, const ByteRun* runs, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        if (const DWORD error = write_all(file, runs[i])) return error;
    trace("write.written");
    if (!FlushFileBuffers(file)) return GetLastError();
    trace("write.flushed");
    return ERROR_SUCCESS;
}

// Renames the open file over target: the file is never closed under its temporary name, so
// no other writer's clean-up can take it away in between.
DWORD rename_over(HANDLE file, const std::wstring& target) {
    std::vector<std::uint8_t> buffer(sizeof(FILE_RENAME_INFO) + target.size() * sizeof(wchar_t));
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = TRUE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
    std::copy(target.begin(), target.end(), info->FileName);
    return SetFileInformationByHandle(file, FileRenameInfo, info, static_cast<DWORD>(buffer.size()))
               ? ERROR_SUCCESS
               : GetLastError();
}

}  // namespace

bool is_temporary_name(const std::wstring& name, const std::wstring& prefix) {
    const std::wstring suffix = L".tmp";
    if (prefix.empty() || name.size() != prefix.size() + kHexDigits + suffix.size()) return false;
    if (name.compare(0, prefix.size(), prefix) != 0 || name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return false;
    return std::all_of(name.begin() + prefix.size(), name.end() - suffix.size(),
                       [](wchar_t c) { return std::iswxdigit(c) != 0; });
}

namespace {

WriteOutcome write_runs_replacing(const std::wstring& path, const ByteRun* runs, std::size_t count,
                                  const std::wstring& prefix) {
    DWORD error = ERROR_SUCCESS;
    const std::wstring full = full_path(path, error);
    if (full.empty()) return failure(error);
    const std::wstring target = extended(full);
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return failure(ERROR_ACCESS_DENIED);

    const std::wstring folder = directory_of(target);
    remove_stale_temporaries(folder, prefix);

    Temporary temporary = create_temporary(folder, prefix, error);
    if (!temporary.file) return failure(error);
    trace("write.created");
    error = write_and_flush(temporary.file.get(), runs, count);
    if (!error) {
        pause_here_for_tests("before-rename");
        error = rename_over(temporary.file.get(), target);
    }
    temporary.file.reset();
    if (!error) {
        trace("write.renamed");
        return {true, {}};
    }
    DeleteFileW(temporary.path.c_str());
    return failure(error);
}

}  // namespace

WriteOutcome write_file_replacing(const std::wstring& path, std::initializer_list<ByteRun> runs,
                                  const std::wstring& prefix) {
    return write_runs_replacing(path, runs.begin(), runs.size(), prefix);
}

WriteOutcome write_file_replacing(const std::wstring& path, const std::vector<ByteRun>& runs,
                                  const std::wstring& prefix) {
    return write_runs_replacing(path, runs.data(), runs.size(), prefix);
}

std::wstring executable_directory() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const auto separator = path.find_last_of(L"\\/");
    if (separator == std::wstring::npos) return {};
    // The root of a drive keeps its separator ("C:\"), as the platform reports it.
    const bool drive_root = separator == 2 && path[1] == L':';
    return path.substr(0, drive_root ? separator + 1 : separator);
}

}  // namespace os
