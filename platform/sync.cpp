#include "platform/sync.h"

#include <fcntl.h>
#include <unistd.h>

#include "platform/text.h"

namespace {

int OpenDirectory(const std::u16string& path) {
    return open(WideToUtf8(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

}  // namespace

bool SyncFileSystem(const std::u16string& path) {
    const int fd = OpenDirectory(path);
    if (fd == -1)
        return false;
    const bool ok = syncfs(fd) == 0;
    close(fd);
    return ok;
}

bool FlushDirectory(const std::u16string& path) {
    const int fd = OpenDirectory(path);
    if (fd == -1)
        return false;
    const bool ok = fsync(fd) == 0;
    close(fd);
    return ok;
}

bool FlushFileBuffers(HANDLE handle) {
    return fdatasync(HandleToFd(handle)) == 0;
}
