// The one-updater lock over kernel32: LockFileEx on a lock file that goes with its last handle.
#include "platform/install_lock.h"

#include "platform/win32/kernel_handle.h"
// After our headers (see windows_api.h).
#include "platform/win32/windows_api.h"

namespace {

HANDLE AsHandle(intptr_t lock) {
    return reinterpret_cast<HANDLE>(lock);
}

}  // namespace

InstallLock::~InstallLock() {
    Release();
}

InstallLock::Result InstallLock::TryAcquire(const std::u16string& path) {
    Release();
    // The file is deleted when its last handle closes, also when a killed holder's handles
    // are closed by the system. While a closed holder's file waits for another handle to go,
    // it cannot be opened: try again a few times.
    for (int attempt = 0; attempt < 16; ++attempt) {
        const HANDLE file = ::CreateFileW(
            WidePath(path), GENERIC_READ | GENERIC_WRITE,
            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT,
            nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            const bool pending =
                error == ERROR_ACCESS_DENIED &&
                GetFileAttributesW(WidePath(path)) != INVALID_FILE_ATTRIBUTES &&
                (GetFileAttributesW(WidePath(path)) & FILE_ATTRIBUTE_DIRECTORY) == 0;
            if (!pending)
                return kUnavailable;
            Sleep(10);
            continue;
        }
        OVERLAPPED whole = {};
        if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                       &whole)) {
            m_path = path;
            m_lock = reinterpret_cast<intptr_t>(file);
            return kAcquired;
        }
        const DWORD error = GetLastError();
        CloseKernelHandle(file);
        return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? kBusy : kUnavailable;
    }
    return kBusy;
}

void InstallLock::Release() {
    if (m_lock == -1)
        return;
    OVERLAPPED whole = {};
    UnlockFileEx(AsHandle(m_lock), 0, 1, 0, &whole);
    CloseKernelHandle(AsHandle(m_lock));
    m_lock = -1;
}
