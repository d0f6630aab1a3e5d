#include "unzip/target_path.h"

#include "platform/directory.h"
#include "platform/path.h"

namespace {

bool IsSeparator(char16_t c) {
    return c == u'/' || c == u'\\';
}

std::u16string WithoutTrailingSeparators(const std::u16string& path) {
    const size_t root = PathRootLength(path);
    size_t end = path.size();
    while (end > root && end > 1 && IsSeparator(path[end - 1])) --end;
    return path.substr(0, end);
}

}  // namespace

bool HasParentComponent(std::u16string_view path) {
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = start;
        while (end < path.size() && !IsSeparator(path[end])) ++end;
        if (path.substr(start, end - start) == u"..")
            return true;
        start = end + 1;
    }
    return false;
}

bool ResolveTargetPath(std::u16string_view rootDir, std::u16string_view target,
                       std::u16string* resolved) {
    if (target.empty() || HasParentComponent(target))
        return false;
    std::u16string path(target);
    // Archives separate with '/', the Windows target with '\\': one separator throughout, so
    // that parents are found by it.
    for (char16_t& c : path) {
        if (IsSeparator(c))
            c = kPathSeparator;
    }
    if (PathRootLength(path) == 0) {
        if (rootDir.empty())
            return false;
        path.insert(0, rootDir);
    }
    if (path.size() >= MAX_PATH)
        return false;
    *resolved = std::move(path);
    return true;
}

std::u16string ParentDirectory(const std::u16string& path) {
    const size_t last = path.rfind(kPathSeparator);
    if (last == std::u16string::npos)
        return {};
    // The parent of a file at the root is the root itself, separator included.
    const size_t root = PathRootLength(path);
    if (last < root)
        return path.substr(0, root);
    return path.substr(0, last);
}

bool MakeDirectoryPath(const std::u16string& path) {
    const std::u16string directory = WithoutTrailingSeparators(path);
    if (directory.empty())
        return false;
    if (IsDirectoryW(directory))
        return true;
    const std::u16string parent = ParentDirectory(directory);
    if (!parent.empty() && parent != directory && !MakeDirectoryPath(parent))
        return false;
    CreateDirectoryW(directory);  // may lose a race to another creator: the check decides
    return IsDirectoryW(directory);
}
