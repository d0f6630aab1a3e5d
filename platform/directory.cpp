#include "platform/directory.h"

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
