// A file written beside its target under a temporary name, put in the target's place only
// when it is complete: a failed extraction leaves an existing target as it was, and a target
// that is a symbolic link is replaced, never written through.
#pragma once

#include <string>

#include "platform/file.h"

class PendingFile {
public:
    PendingFile() = default;
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    ~PendingFile();  // removes the temporary unless committed

    // Creates the temporary in the directory of the resolved path `target`, creating missing
    // parent directories when the first attempt finds none. An existing regular file at
    // `target` lends the temporary its permission bits. Gives false when nothing was created.
    bool Create(const std::u16string& target);

    HANDLE Handle() const { return file_.Get(); }

    // Closes the temporary and renames it over the target. Gives false when either fails;
    // the temporary is removed then.
    bool Commit();

private:
    bool CreateTemporary();

    std::u16string target_;
    std::u16string temporary_;
    FileHandle file_;
};
