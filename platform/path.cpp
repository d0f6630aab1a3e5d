#include "platform/path.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <vector>

#include "platform/text.h"

size_t GetModuleFileNameW(std::u16string& path, size_t capacity) {
    // /proc/self/exe names the running image whatever argv[0] says.
    std::vector<char> buffer(PATH_MAX + 1);
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0 || capacity == 0) {
        path.clear();
        return 0;
    }
    std::u16string full = Utf8ToWide(std::string_view(buffer.data(), static_cast<size_t>(n)));
    if (full.size() >= capacity) {
        path = full.substr(0, capacity - 1);
        return capacity;
    }
    path = full;
    return full.size();
}

bool PathFileExistsW(const std::u16string& path) {
    struct stat st;
    return lstat(WideToUtf8(path).c_str(), &st) == 0;
}

bool MoveFileExW(const std::u16string& from, const std::u16string& to, unsigned flags) {
    const std::string source = WideToUtf8(from);
    const std::string target = WideToUtf8(to);
    if (flags & MOVEFILE_REPLACE_EXISTING) {
        return rename(source.c_str(), target.c_str()) == 0;
    }
    // Without replacement the target must not exist: renameat2's RENAME_NOREPLACE is atomic.
    if (renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // File systems without RENAME_NOREPLACE: link + unlink keeps the no-replace rule for files.
    if (link(source.c_str(), target.c_str()) != 0)
        return false;
    return unlink(source.c_str()) == 0;
}

bool IsFileInUse(const std::u16string& /*path*/) {
    return false;
}

size_t PathRootLength(std::u16string_view path) {
    return !path.empty() && path.front() == u'/' ? 1 : 0;
}

bool DeleteFileW(const std::u16string& path) {
    const std::string name = WideToUtf8(path);
    struct stat st;
    if (lstat(name.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        return false;
    return unlink(name.c_str()) == 0;
}
