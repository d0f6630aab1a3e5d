// Paths: the executable's own path and the whole-file operations on names.
#pragma once

#include <string>
#include <string_view>

// Capacity of a path in UTF-16 units, the terminator included.
constexpr size_t MAX_PATH = 260;

// Separator of the platform's paths.
#ifdef _WIN32
constexpr char16_t kPathSeparator = u'\\';
#else
constexpr char16_t kPathSeparator = u'/';
#endif

// Units of the root that begins an absolute path, separator included: 1 for "/..." on POSIX;
// on Windows 3 for "C:\..." and the whole "\\server\share\" of a network path. 0 for a
// relative path. On Windows "\..." (the current drive's root) and "C:..." (relative to a
// drive's current directory) count as absolute: neither lies under a given directory.
size_t PathRootLength(std::u16string_view path);

// Full path of the running executable image (not argv[0]), cut to `capacity` - 1 units as the
// Win32 call does. Returns the number of units stored; when the path was cut, the result equals
// `capacity` (the path did not fit), and 0 when the path cannot be found.
size_t GetModuleFileNameW(std::u16string& path, size_t capacity);

// True when something (a file, a directory, anything) exists under `path`; a dangling
// symbolic link counts as existing, since its name is taken.
bool PathFileExistsW(const std::u16string& path);

// Renames `from` to `to`. Fails when `to` exists, unless MOVEFILE_REPLACE_EXISTING is given;
// the replacement is atomic then. With MOVEFILE_WRITE_THROUGH the call returns once the
// system has put the move on the disk, where it offers that (Windows); on POSIX flushing the
// directory is the caller's (platform/sync.h). Returns false on failure, with errno set.
constexpr unsigned MOVEFILE_REPLACE_EXISTING = 0x1;
constexpr unsigned MOVEFILE_WRITE_THROUGH = 0x8;
bool MoveFileExW(const std::u16string& from, const std::u16string& to, unsigned flags);
inline bool MoveFileW(const std::u16string& from, const std::u16string& to) {
    return MoveFileExW(from, to, 0);
}

// Whether the file `path` is held open in a way that keeps it from being renamed or replaced:
// on Windows by a handle opened without delete sharing (a running program is not; it can be
// renamed). Never on POSIX, where an open file can always be renamed.
bool IsFileInUse(const std::u16string& path);

// Removes the file (or symbolic link) `path`; never a directory. Returns false on failure.
bool DeleteFileW(const std::u16string& path);
