// The advisory lock that keeps one updater per program directory.
#pragma once

#include <cstdint>
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

    bool Held() const { return m_lock != -1; }

private:
    std::u16string m_path;
    intptr_t m_lock = -1;  // the locked file's descriptor, or its HANDLE on Windows
};
