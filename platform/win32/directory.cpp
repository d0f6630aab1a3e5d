// Directories over kernel32.
#include "platform/directory.h"

#include <vector>

// After our headers (see windows_api.h).
#include "platform/win32/windows_api.h"

bool CreateDirectoryW(const std::u16string& path) {
    return !path.empty() && ::CreateDirectoryW(WidePath(path), nullptr) != 0;
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
