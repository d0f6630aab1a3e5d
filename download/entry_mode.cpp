#include "download/entry_mode.h"

#include "platform/file.h"

namespace {

constexpr uint32_t kFileTypeMask = 0170000;
constexpr uint32_t kRegularFile = 0100000;
constexpr uint32_t kAccessBits = 0777;  // read, write, execute for owner, group and other
constexpr uint32_t kExecuteBits = 0111;
constexpr uint32_t kReadBits = 0444;
constexpr uint32_t kOwnerExecute = 0100;

}  // namespace

bool ApplyEntryMode(const CString& path, const ZipEntryInfo& info) {
    if (info.unixMode == 0 || (info.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return true;
    const uint32_t type = info.unixMode & kFileTypeMask;
    if (type != 0 && type != kRegularFile)
        return true;
    return SetFilePermissions(path, info.unixMode & kAccessBits);
}

bool MakeProgramExecutable(const CString& path) {
    uint32_t mode = 0;
    if (!GetFilePermissions(path, &mode))
        return false;
    if ((mode & kExecuteBits) != 0)
        return true;
    // Read bits shifted by two are the execute bits of the same classes.
    return SetFilePermissions(path, mode | ((mode & kReadBits) >> 2) | kOwnerExecute);
}
