#include "unzip/pending_file.h"

#include <unistd.h>

#include "platform/path.h"
#include "platform/text.h"
#include "unzip/target_path.h"

namespace {

// Names tried for the temporary before giving up (stale ones of a crashed run may hold some).
constexpr int kTemporaryAttempts = 16;

std::u16string TemporaryName(const std::u16string& directory, int attempt) {
    // A root directory ("/", "C:\\") already ends in its separator.
    const bool atRoot = !directory.empty() && directory.back() == kPathSeparator;
    const std::u16string base = atRoot ? directory : directory + kPathSeparator;
    return base + FormatText(u".extract-%d-%d.tmp", static_cast<long long>(getpid()), attempt);
}

}  // namespace

PendingFile::~PendingFile() {
    if (file_.Valid()) {
        file_.Reset();
        DeleteFileW(temporary_);
    }
}

bool PendingFile::Create(const std::u16string& target) {
    target_ = target;
    if (!CreateTemporary()) {
        // Missing parents are made only now, so the usual case costs no directory calls.
        if (!MakeDirectoryPath(ParentDirectory(target_)) || !CreateTemporary())
            return false;
    }
    CopyPermissions(target_, file_.Get());
    return true;
}

bool PendingFile::CreateTemporary() {
    const std::u16string directory = ParentDirectory(target_);
    for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
        temporary_ = TemporaryName(directory, attempt);
        const HANDLE file =
            CreateFileW(temporary_, GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
        if (file != INVALID_HANDLE_VALUE) {
            file_.Reset(file);
            return true;
        }
        if (!PathFileExistsW(temporary_))
            return false;  // not a name clash: the directory fails
    }
    return false;
}

bool PendingFile::Commit() {
    const bool closed = file_.Reset();
    if (closed && MoveFileExW(temporary_, target_, MOVEFILE_REPLACE_EXISTING))
        return true;
    DeleteFileW(temporary_);
    return false;
}
