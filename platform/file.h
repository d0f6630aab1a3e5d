// Open files: Win32-shaped handle calls over POSIX file descriptors.
//
// A HANDLE carries a file descriptor. Paths are UTF-16 and converted to UTF-8 here, at the OS
// boundary. Every call reports failure in its result and never throws.
#pragma once

#include <cstdint>
#include <string>

using HANDLE = void*;

// The handle that CreateFileW gives on failure.
inline const HANDLE INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(intptr_t{-1});

// The descriptor behind a handle and the handle for a descriptor (-1 is INVALID_HANDLE_VALUE).
inline int HandleToFd(HANDLE handle) {
    return static_cast<int>(reinterpret_cast<intptr_t>(handle));
}
inline HANDLE FdToHandle(int fd) {
    return reinterpret_cast<HANDLE>(intptr_t{fd});
}

// Desired access of CreateFileW; at least one is needed.
constexpr uint32_t GENERIC_READ = 0x80000000;
constexpr uint32_t GENERIC_WRITE = 0x40000000;

// Share modes are accepted for the shape of the call; POSIX files are not locked.
constexpr uint32_t FILE_SHARE_READ = 0x1;

// Creation dispositions of CreateFileW.
constexpr uint32_t CREATE_NEW = 1;     // create; fail when the name exists (even as a link)
constexpr uint32_t CREATE_ALWAYS = 2;  // create, or truncate an existing file
constexpr uint32_t OPEN_EXISTING = 3;  // open; fail when missing

// File attributes: what a created file is asked to be, and what the archive layer reports.
constexpr uint32_t FILE_ATTRIBUTE_READONLY = 0x01;
constexpr uint32_t FILE_ATTRIBUTE_HIDDEN = 0x02;
constexpr uint32_t FILE_ATTRIBUTE_SYSTEM = 0x04;
constexpr uint32_t FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr uint32_t FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr uint32_t FILE_ATTRIBUTE_NORMAL = 0x80;

// Opens or creates the file `path` for the access asked. A created file gets mode 0666 less
// the umask; `attributes` is accepted for the shape of the call. Directories are never opened
// (as CreateFileW without backup semantics), and opening a FIFO does not block waiting for a
// writer. The handle is not inherited by child processes. Gives INVALID_HANDLE_VALUE on failure.
HANDLE CreateFileW(const std::u16string& path, uint32_t access, uint32_t shareMode,
                   uint32_t disposition, uint32_t attributes);

// Duplicates `source` within this process with the same access, not inheritable. The two
// handles share one file position, as Win32 duplicates do. Gives false on failure.
bool DuplicateHandle(HANDLE source, HANDLE* target);

// Kinds of GetFileType.
constexpr uint32_t FILE_TYPE_UNKNOWN = 0;  // not an open handle
constexpr uint32_t FILE_TYPE_DISK = 1;     // a regular file: positions and sizes mean something
constexpr uint32_t FILE_TYPE_CHAR = 2;     // a terminal or other character device
constexpr uint32_t FILE_TYPE_PIPE = 3;     // a pipe, FIFO or socket

uint32_t GetFileType(HANDLE handle);

// Origins of SetFilePointer.
constexpr uint32_t FILE_BEGIN = 0;
constexpr uint32_t FILE_CURRENT = 1;
constexpr uint32_t FILE_END = 2;

// Moves the file position by `distance` from `origin` and gives the new position, or -1 when
// the handle cannot be positioned, the origin is unknown or the position would be negative;
// the position is then unchanged. Positions past the end are allowed.
int64_t SetFilePointer(HANDLE handle, int64_t distance, uint32_t origin);

// Size of the file in bytes, or -1 on failure.
int64_t GetFileSize(HANDLE handle);

// Reads up to `count` bytes at the file position and advances it. Fewer bytes arrive only at
// the end of the file (or of what a pipe delivers); `*read` holds the number. Gives false on
// a failure of the read; `*read` then holds what arrived before it.
bool ReadFile(HANDLE handle, void* buffer, uint32_t count, uint32_t* read);

// As ReadFile, but at `offset`, leaving the file position untouched (for disk files only).
bool ReadFileAt(HANDLE handle, int64_t offset, void* buffer, uint32_t count, uint32_t* read);

// Writes all `count` bytes at the file position. Gives false when not all could be written
// (a full disk, a closed pipe); `*written` holds what was.
bool WriteFile(HANDLE handle, const void* buffer, uint32_t count, uint32_t* written);

// Gives the open file `target` the permission bits of the regular file `path` (a symbolic link
// there is not followed). Gives false when `path` is no regular file or the change fails.
bool CopyPermissions(const std::u16string& path, HANDLE target);

// The permission bits (0777 with the setuid, setgid and sticky bits) of the regular file
// `path`, and setting them; a symbolic link there is not followed. False when `path` is no
// regular file or the call fails.
bool GetFilePermissions(const std::u16string& path, uint32_t* mode);
bool SetFilePermissions(const std::u16string& path, uint32_t mode);

// Makes the open file `target` a program that may be started (mode 0755 on Linux). Windows
// starts a program by its name, so there it changes nothing.
bool MakeExecutable(HANDLE target);

// Closes the handle. Gives false for a handle that is not open.
bool CloseHandle(HANDLE handle);

// Owns one handle and closes it when it goes. Not copyable; moving hands the handle on.
class FileHandle {
public:
    FileHandle() = default;
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    FileHandle(FileHandle&& other) noexcept : handle_(other.Release()) {}
    FileHandle& operator=(FileHandle&& other) noexcept {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    ~FileHandle() { Reset(); }

    HANDLE Get() const { return handle_; }
    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    // Gives up ownership without closing.
    HANDLE Release() {
        HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return handle;
    }
    // Closes the owned handle (if any) and takes `handle`. Gives false when that close failed.
    bool Reset(HANDLE handle = INVALID_HANDLE_VALUE);

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};
