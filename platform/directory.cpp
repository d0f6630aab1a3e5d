#include "platform/directory.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/text.h"

bool CreateDirectoryW(const std::u16string& path) {
    if (path.empty())
        return false;
    return mkdir(WideToUtf8(path).c_str(), 0777) == 0;
}

bool IsDirectoryW(const std::u16string& path) {
    struct stat st;
    return !path.empty() && stat(WideToUtf8(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

uint32_t GetCurrentDirectoryW(uint32_t capacity, std::u16string& path) {
    path.clear();
    std::vector<char> buffer(256);
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE || buffer.size() > (1u << 20))
            return 0;
        buffer.resize(buffer.size() * 2);
    }
    std::u16string current = Utf8ToWide(buffer.data());
    const size_t needed = current.size() + 1;
    if (needed > capacity)
        return static_cast<uint32_t>(needed);
    path = std::move(current);
    return static_cast<uint32_t>(path.size());
}

bool RemoveDirectoryW(const std::u16string& path) {
    return !path.empty() && rmdir(WideToUtf8(path).c_str()) == 0;
}

std::vector<std::u16string> ListDirectory(const std::u16string& path) {
    std::vector<std::u16string> names;
    DIR* dir = opendir(WideToUtf8(path).c_str());
    if (!dir)
        return names;
    while (dirent* entry = readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(Utf8ToWide(name));
    }
    closedir(dir);
    return names;
}

PathKind GetPathKind(const std::u16string& path) {
    struct stat st;
    if (path.empty() || lstat(WideToUtf8(path).c_str(), &st) != 0)
        return PathKind::kMissing;
    if (S_ISREG(st.st_mode))
        return PathKind::kFile;
    if (S_ISDIR(st.st_mode))
        return PathKind::kDirectory;
    return PathKind::kOther;
}

bool RemoveTree(const std::u16string& path) {
    switch (GetPathKind(path)) {
        case PathKind::kMissing:
            return true;
        case PathKind::kDirectory: {
            bool ok = true;
            for (const std::u16string& name : ListDirectory(path))
                ok = RemoveTree(path + u"/" + name) && ok;
            return RemoveDirectoryW(path) && ok;
        }
        default:
            return unlink(WideToUtf8(path).c_str()) == 0;
    }
}
