#include "platform/file_error_text.h"

#include <cerrno>
#include <cstring>

#include "platform/path.h"

CString FileErrorText(FileAction action, const CString& name, int error) {
    const bool write = action == FileAction::Write;
    switch (error) {
        case ENOSPC:
#ifdef EDQUOT
        case EDQUOT:
#endif
            return FormatText(u"Not enough disk space for %s.", name);
        case ENOENT:
            return FormatText(write ? u"The folder for %s is missing." : u"%s was not found.",
                              name);
        case EISDIR:
            return FormatText(write ? u"A folder named %s is in the way." : u"%s is a folder.",
                              name);
        case EACCES:
        case EPERM:
            return FormatText(write ? u"No permission to write %s." : u"No permission to read %s.",
                              name);
        case EROFS:
            return FormatText(u"%s is on a read-only disk.", name);
        case ENAMETOOLONG:
            return FormatText(u"The name %s is too long.", name);
        case EBUSY:
        case ETXTBSY:
            return FormatText(u"%s is in use.", name);
        default:
            break;
    }
    return FormatText(write ? u"Cannot write %s: %s." : u"Cannot read %s: %s.", name,
                      Utf8ToWide(std::strerror(error)));
}

CString FileNameOf(const CString& path) {
    const size_t separator = path.find_last_of(kPathSeparator);
    return separator == CString::npos ? path : path.substr(separator + 1);
}
