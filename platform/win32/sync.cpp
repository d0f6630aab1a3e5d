// Putting what was written on the disk, the Windows way. Windows has no flush of a file system
// for everyone: flushing the volume needs administrator rights (which the updater asks for).
// Without them every file and folder under the path is flushed one by one instead. Folders
// are flushed where Windows allows it (NTFS does, others refuse), since renames are written
// with the folder's file system journal anyway.
#include "platform/sync.h"

#include <cerrno>

#include "platform/win32/kernel_handle.h"
// After our headers (see windows_api.h).
#include "platform/win32/windows_api.h"

namespace {

HANDLE OpenForFlush(const std::u16string& path, bool folder) {
    return ::CreateFileW(WidePath(path), GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING,
                         folder ? FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT
                                : FILE_FLAG_OPEN_REPARSE_POINT,
                         nullptr);
}

bool FlushFolderIfAllowed(const std::u16string& path) {
    const HANDLE folder = OpenForFlush(path, true);
    if (folder == INVALID_HANDLE_VALUE)
        return GetFileAttributesW(WidePath(path)) != INVALID_FILE_ATTRIBUTES;
    const bool flushed = FlushKernelBuffers(folder);
    const DWORD error = flushed ? 0 : GetLastError();
    CloseKernelHandle(folder);
    return flushed || error == ERROR_INVALID_FUNCTION || error == ERROR_ACCESS_DENIED ||
           error == ERROR_NOT_SUPPORTED;
}

bool FlushFile(const std::u16string& path) {
    const HANDLE file = OpenForFlush(path, false);
    if (file == INVALID_HANDLE_VALUE) {
        // A file that another program holds without write sharing (a running program's own
        // image, its open data files) or that may not be written at all (read-only) holds
        // nothing that this program wrote and has to put on the disk: there is nothing to
        // flush, and the others under the path must not fail for it.
        const DWORD error = GetLastError();
        return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED;
    }
    const bool flushed = FlushKernelBuffers(file);
    CloseKernelHandle(file);
    return flushed;
}

// Every file and folder under `folder`, and the folder itself; links are not followed.
bool FlushTree(const std::u16string& folder) {
    WIN32_FIND_DATAW entry;
    const HANDLE search = FindFirstFileW(WidePath(folder + u"\\*"), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    bool ok = true;
    do {
        const std::u16string name = FromWide(entry.cFileName, wcslen(entry.cFileName));
        if (name == u"." || name == u"..")
            continue;
        const std::u16string path = folder + u"\\" + name;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
            continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ok = FlushTree(path) && ok;
        else
            ok = FlushFile(path) && ok;
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return FlushFolderIfAllowed(folder) && ok;
}

// The volume that holds `path`, as a device name: "\\.\C:".
std::u16string VolumeDevice(const std::u16string& path) {
    wchar_t root[MAX_PATH + 1] = {};
    if (!GetVolumePathNameW(WidePath(path), root, MAX_PATH))
        return std::u16string();
    std::u16string device = u"\\\\.\\" + FromWide(root, wcslen(root));
    while (!device.empty() && device.back() == u'\\') device.pop_back();
    return device;
}

}  // namespace

bool SyncFileSystem(const std::u16string& path) {
    if (GetFileAttributesW(WidePath(path)) == INVALID_FILE_ATTRIBUTES) {
        errno = ENOENT;
        return false;
    }
    const std::u16string device = VolumeDevice(path);
    if (!device.empty()) {
        const HANDLE volume = OpenForFlush(device, false);
        if (volume != INVALID_HANDLE_VALUE) {
            const bool flushed = FlushKernelBuffers(volume);
            CloseKernelHandle(volume);
            if (flushed)
                return true;
        }
    }
    if (FlushTree(path))
        return true;
    errno = EIO;
    return false;
}

bool FlushDirectory(const std::u16string& path) {
    if (FlushFolderIfAllowed(path))
        return true;
    errno = ENOENT;
    return false;
}

bool FlushFileBuffers(HANDLE handle) {
    if (FlushKernelBuffers(handle))
        return true;
    errno = EIO;
    return false;
}
