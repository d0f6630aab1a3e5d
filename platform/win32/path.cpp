// Paths over kernel32: the executable's own path and whole-file operations on names.
#include "platform/path.h"

#include <cerrno>
#include <vector>

#include "platform/win32/kernel_handle.h"
#include "platform/win32/last_error.h"
// After our headers (see windows_api.h).
#include "platform/win32/windows_api.h"

size_t GetModuleFileNameW(std::u16string& path, size_t capacity) {
    path.clear();
    if (capacity == 0)
        return 0;
    // The whole name first, however long, so that the cut below is ours and exact.
    std::vector<wchar_t> buffer(MAX_PATH);
    DWORD n = 0;
    for (;;) {
        n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0)
            return 0;
        if (n < buffer.size() || buffer.size() >= 32768)
            break;
        buffer.resize(buffer.size() * 2);
    }
    const std::u16string full = FromWide(buffer.data(), n);
    if (full.size() >= capacity) {
        path = full.substr(0, capacity - 1);
        return capacity;
    }
    path = full;
    return full.size();
}

bool PathFileExistsW(const std::u16string& path) {
    return !path.empty() && GetFileAttributesW(WidePath(path)) != INVALID_FILE_ATTRIBUTES;
}

bool MoveFileExW(const std::u16string& from, const std::u16string& to, unsigned flags) {
    // The system replaces only files; a running program can be renamed, a file held open
    // without delete sharing cannot be renamed or replaced.
    if (::MoveFileExW(WidePath(from), WidePath(to),
                      flags & (MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) != 0)
        return true;
    SetErrnoFromLastError();
    return false;
}

bool IsFileInUse(const std::u16string& path) {
    // Opening for deletion while sharing everything fails only when another handle denies
    // delete sharing (or holds a lock): exactly what stops a rename.
    const HANDLE probe = ::CreateFileW(
        WidePath(path), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        CloseKernelHandle(probe);
        return false;
    }
    const DWORD error = GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

bool DeleteFileW(const std::u16string& path) {
    if (path.empty()) {
        errno = ENOENT;
        return false;
    }
    if (::DeleteFileW(WidePath(path)) != 0)
        return true;
    SetErrnoFromLastError();
    return false;
}

size_t PathRootLength(std::u16string_view path) {
    const auto separator = [&](size_t i) {
        return i < path.size() && (path[i] == u'\\' || path[i] == u'/');
    };
    if (path.size() >= 2 && path[1] == u':')
        return separator(2) ? 3 : 2;
    if (!separator(0))
        return 0;
    if (!separator(1))
        return 1;
    // \\server\share\ : the root ends after the share's name.
    size_t i = 2;
    for (int part = 0; part < 2; ++part) {
        while (i < path.size() && !separator(i)) ++i;
        if (i < path.size())
            ++i;
    }
    return i;
}
