// Directories over kernel32.
#include "platform/directory.h"

#include <cerrno>
#include <vector>

#include "platform/win32/last_error.h"
// After our headers (see windows_api.h).
#include "platform/win32/windows_api.h"

bool CreateDirectoryW(const std::u16string& path) {
    if (path.empty()) {
        errno = ENOENT;
        return false;
    }
    if (::CreateDirectoryW(WidePath(path), nullptr) != 0)
        return true;
    SetErrnoFromLastError();
    return false;
}

bool IsDirectoryW(const std::u16string& path) {
    if (path.empty())
        return false;
    const DWORD attributes = GetFileAttributesW(WidePath(path));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

uint32_t GetCurrentDirectoryW(uint32_t capacity, std::u16string& path) {
    path.clear();
    const DWORD needed = ::GetCurrentDirectoryW(0, nullptr);  // terminator included
    if (needed == 0)
        return 0;
    std::vector<wchar_t> buffer(needed);
    const DWORD length = ::GetCurrentDirectoryW(needed, buffer.data());
    if (length == 0 || length >= needed)
        return 0;
    std::u16string current = FromWide(buffer.data(), length);
    // Only a drive's root keeps its separator ("C:\"); that is still no trailing one to drop.
    if (current.size() > 3 && current.back() == u'\\')
        current.pop_back();
    if (current.size() + 1 > capacity)
        return static_cast<uint32_t>(current.size() + 1);
    path = std::move(current);
    return static_cast<uint32_t>(path.size());
}

bool RemoveDirectoryW(const std::u16string& path) {
    if (path.empty()) {
        errno = ENOENT;
        return false;
    }
    if (::RemoveDirectoryW(WidePath(path)) != 0)
        return true;
    SetErrnoFromLastError();
    return false;
}

std::vector<std::u16string> ListDirectory(const std::u16string& path) {
    std::vector<std::u16string> names;
    if (path.empty())
        return names;
    std::u16string pattern = path;
    if (pattern.back() != u'\\' && pattern.back() != u'/')
        pattern += u'\\';
    WIN32_FIND_DATAW entry;
    const HANDLE search = FindFirstFileW(WidePath(pattern + u"*"), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::u16string name = FromWide(entry.cFileName, wcslen(entry.cFileName));
        if (name != u"." && name != u"..")
            names.push_back(name);
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return names;
}

// A link or junction (a reparse point) is neither a file nor a folder here: it is never
// followed, as on Linux.
PathKind GetPathKind(const std::u16string& path) {
    if (path.empty())
        return PathKind::kMissing;
    const DWORD attributes = GetFileAttributesW(WidePath(path));
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return PathKind::kMissing;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return PathKind::kOther;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return PathKind::kDirectory;
    if (attributes & FILE_ATTRIBUTE_DEVICE)
        return PathKind::kOther;
    return PathKind::kFile;
}

namespace {

// A read-only file cannot be deleted, nor a read-only folder removed; a pack may carry either,
// and what a pack replaced lands in the staging area with its attributes. A link's own
// attributes are left alone: setting them could reach its target.
void AllowRemoval(const std::u16string& path, DWORD attributes) {
    if ((attributes & FILE_ATTRIBUTE_READONLY) == 0 || (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return;
    constexpr DWORD kSettable = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN |
                                FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED |
                                FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_TEMPORARY;
    const DWORD kept = attributes & kSettable;
    SetFileAttributesW(WidePath(path), kept == 0 ? FILE_ATTRIBUTE_NORMAL : kept);
}

}  // namespace

bool RemoveTree(const std::u16string& path) {
    const DWORD attributes =
        path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(WidePath(path));
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return true;
    AllowRemoval(path, attributes);
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        bool ok = true;
        // A folder link is removed itself, never what it points to.
        if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
            for (const std::u16string& name : ListDirectory(path))
                ok = RemoveTree(path + u"\\" + name) && ok;
        }
        return RemoveDirectoryW(path) && ok;
    }
    return DeleteFileW(WidePath(path)) != 0;
}
