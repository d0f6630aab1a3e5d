// Setting the times of an open file over kernel32; the conversions in file_time.cpp are shared.
#include "platform/file_time.h"

// After our headers (see windows_api.h).
#include "platform/win32/windows_api.h"

namespace {

// Our FILETIME as the system's; a zero one means "leave unchanged", as a null pointer does.
const KERNEL32_FILETIME* SystemTime(const FILETIME* time, KERNEL32_FILETIME* storage) {
    if (time == nullptr || FileTimeToUInt64(*time) == 0)
        return nullptr;
    storage->dwLowDateTime = time->dwLowDateTime;
    storage->dwHighDateTime = time->dwHighDateTime;
    return storage;
}

}  // namespace

bool SetFileTime(HANDLE handle, const FILETIME* creationTime, const FILETIME* lastAccessTime,
                 const FILETIME* lastWriteTime) {
    KERNEL32_FILETIME creation, access, write;
    return ::SetFileTime(handle, SystemTime(creationTime, &creation),
                         SystemTime(lastAccessTime, &access),
                         SystemTime(lastWriteTime, &write)) != 0;
}
