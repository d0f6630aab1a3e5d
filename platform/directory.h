// Directories: creating one and the process's current directory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Creates the one directory `path` (mode 0777 less the umask); its parent must exist. Gives
// false on failure, also when something of that name exists already.
bool CreateDirectoryW(const std::u16string& path);

// True when `path` names a directory (following symbolic links).
bool IsDirectoryW(const std::u16string& path);

// Stores the current directory, without a trailing separator, in `path` when it fits in
// `capacity` UTF-16 units with a terminator, and gives its length. When it does not fit,
// `path` is cleared and the capacity it needs (terminator included) is given; 0 on failure.
uint32_t GetCurrentDirectoryW(uint32_t capacity, std::u16string& path);

// Removes the empty directory `path`. Gives false on failure.
bool RemoveDirectoryW(const std::u16string& path);

// The names in the directory `path`, without "." and "..", in no particular order; empty when
// it cannot be read.
std::vector<std::u16string> ListDirectory(const std::u16string& path);

// What a name is, without following a symbolic link there.
enum class PathKind { kMissing, kFile, kDirectory, kOther };
PathKind GetPathKind(const std::u16string& path);

// Removes `path` and, when it is a directory, everything in it; symbolic links are removed,
// never followed. Gives false when something stayed.
bool RemoveTree(const std::u16string& path);
