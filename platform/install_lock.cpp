#include "platform/install_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/text.h"

InstallLock::~InstallLock() {
    Release();
}

InstallLock::Result InstallLock::TryAcquire(const std::u16string& path) {
    Release();
    const std::string name = WideToUtf8(path);
    // The holder removes the file before it lets go, so a lock taken on a file that is no
    // longer under its name is worthless: try again on the new one.
    for (int attempt = 0; attempt < 16; ++attempt) {
        const int fd = open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd == -1)
            return kUnavailable;
        int result;
        do {
            result = flock(fd, LOCK_EX | LOCK_NB);
        } while (result == -1 && errno == EINTR);
        if (result != 0) {
            const int reason = errno;
            close(fd);
            return reason == EWOULDBLOCK ? kBusy : kUnavailable;
        }
        struct stat held, named;
        if (fstat(fd, &held) == 0 && stat(name.c_str(), &named) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
            m_path = path;
            m_lock = fd;
            return kAcquired;
        }
        close(fd);
    }
    return kBusy;
}

void InstallLock::Release() {
    if (m_lock == -1)
        return;
    unlink(WideToUtf8(m_path).c_str());
    close(static_cast<int>(m_lock));
    m_lock = -1;
}
