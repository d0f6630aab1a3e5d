// Open files over kernel32: a HANDLE is the system's own.
#include "platform/file.h"

#include <cerrno>

#include "platform/win32/kernel_handle.h"
#include "platform/win32/last_error.h"

// After our headers (see windows_api.h).
#include "platform/win32/windows_api.h"

HANDLE CreateFileW(const std::u16string& path, uint32_t access, uint32_t shareMode,
                   uint32_t disposition, uint32_t attributes) {
    if ((access & (GENERIC_READ | GENERIC_WRITE)) == 0 || path.empty() ||
        (disposition != CREATE_NEW && disposition != CREATE_ALWAYS &&
         disposition != OPEN_EXISTING)) {
        errno = EINVAL;
        return INVALID_HANDLE_VALUE;
    }
    // Without FILE_FLAG_BACKUP_SEMANTICS a directory never opens; default security attributes
    // make the handle non-inheritable.
    const HANDLE file =
        ::CreateFileW(WidePath(path), access, shareMode, nullptr, disposition,
                      attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        SetErrnoFromLastError();
    return file;
}

bool DuplicateHandle(HANDLE source, HANDLE* target) {
    const HANDLE self = GetCurrentProcess();
    return ::DuplicateHandle(self, source, self, target, 0, FALSE, DUPLICATE_SAME_ACCESS) != 0;
}

uint32_t GetFileType(HANDLE handle) {
    return KernelFileType(handle);
}

int64_t SetFilePointer(HANDLE handle, int64_t distance, uint32_t origin) {
    if (origin != FILE_BEGIN && origin != FILE_CURRENT && origin != FILE_END)
        return -1;
    // Only disk files have positions; the system would report 0 for a pipe.
    if (KernelFileType(handle) != FILE_TYPE_DISK)
        return -1;
    LARGE_INTEGER move;
    move.QuadPart = distance;
    LARGE_INTEGER position;
    if (!SetFilePointerEx(handle, move, &position, origin))
        return -1;  // a negative position is refused and leaves the position as it was
    return position.QuadPart;
}

int64_t GetFileSize(HANDLE handle) {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handle, &size))
        return -1;
    return size.QuadPart;
}

namespace {

// Reads until `count` bytes or the end; a pipe whose writer has gone has ended.
bool ReadAll(HANDLE handle, void* buffer, uint32_t count, uint32_t* read) {
    auto* bytes = static_cast<unsigned char*>(buffer);
    uint32_t done = 0;
    bool ok = true;
    while (done < count) {
        DWORD n = 0;
        if (!::ReadFile(handle, bytes + done, count - done, &n, nullptr)) {
            ok = GetLastError() == ERROR_BROKEN_PIPE;
            break;
        }
        if (n == 0)
            break;
        done += n;
    }
    if (read)
        *read = done;
    return ok;
}

}  // namespace

bool ReadFile(HANDLE handle, void* buffer, uint32_t count, uint32_t* read) {
    return ReadAll(handle, buffer, count, read);
}

bool ReadFileAt(HANDLE handle, int64_t offset, void* buffer, uint32_t count, uint32_t* read) {
    if (read)
        *read = 0;
    // A positioned read on a synchronous handle moves the position too; it is put back.
    const int64_t position = SetFilePointer(handle, 0, FILE_CURRENT);
    if (offset < 0 || position < 0 || SetFilePointer(handle, offset, FILE_BEGIN) < 0)
        return false;
    const bool ok = ReadAll(handle, buffer, count, read);
    return SetFilePointer(handle, position, FILE_BEGIN) >= 0 && ok;
}

bool WriteFile(HANDLE handle, const void* buffer, uint32_t count, uint32_t* written) {
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    uint32_t done = 0;
    bool ok = true;
    while (done < count) {
        DWORD n = 0;
        if (!::WriteFile(handle, bytes + done, count - done, &n, nullptr)) {
            SetErrnoFromLastError();
            ok = false;
            break;
        }
        if (n == 0) {
            errno = EIO;
            ok = false;
            break;
        }
        done += n;
    }
    if (written)
        *written = done;
    return ok;
}

namespace {

// Whether `path` is a regular file (not a directory, link or junction).
bool IsRegularFile(const std::u16string& path) {
    const DWORD attributes = GetFileAttributesW(WidePath(path));
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
}

}  // namespace

bool CopyPermissions(const std::u16string& path, HANDLE /*target*/) {
    // Windows files carry no permission bits to copy: a regular file is all it takes.
    return IsRegularFile(path);
}

bool MakeExecutable(HANDLE /*target*/) {
    return true;
}

// Windows files carry no Unix permission bits: every regular file reads as one that its
// owner, group and others may read, write and start, and setting bits changes nothing.
bool GetFilePermissions(const std::u16string& path, uint32_t* mode) {
    if (!IsRegularFile(path))
        return false;
    *mode = 0777;
    return true;
}

bool SetFilePermissions(const std::u16string& path, uint32_t /*mode*/) {
    return IsRegularFile(path);
}

bool CloseHandle(HANDLE handle) {
    if (handle == INVALID_HANDLE_VALUE || handle == nullptr)
        return false;
    return CloseKernelHandle(handle);
}

bool FileHandle::Reset(HANDLE handle) {
    bool ok = true;
    if (handle_ != INVALID_HANDLE_VALUE)
        ok = CloseHandle(handle_);
    handle_ = handle;
    return ok;
}
