// The advisory lock that keeps one updater per program directory.
#pragma once

#include <string>

class InstallLock {
public:
    InstallLock() = default;
    InstallLock(const InstallLock&) = delete;
    InstallLock& operator=(const InstallLock&) = delete;
    // Releases the lock when held.
    ~InstallLock();

    enum Result {
        kAcquired,
        kBusy,         // another process holds it
        kUnavailable,  // the lock file cannot be made (a directory that takes no new file)
    };
    // Takes the lock on the lock file `path`, made when missing, without waiting.
    Result TryAcquire(const std::u16string& path);
    // Removes the lock file and releases the lock. A lock file that a killed process left
    // behind is taken over by the next one, since the lock went with its process.
    void Release();

    bool Held() const { return m_fd != -1; }

private:
    std::u16string m_path;
    int m_fd = -1;
};
