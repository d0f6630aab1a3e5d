// The Unix permissions an archive entry carries, given to the file extracted from it, and the
// execute permission a program needs to be started.
#pragma once

#include "platform/text.h"
#include "unzip/zip_archive.h"

// Gives the file at `path`, just extracted from the entry `info`, the owner, group and other
// read, write and execute bits of the entry's Unix mode (never setuid, setgid or sticky), when
// the entry has a Unix mode and is a regular file (a mode without a file type counts as one).
// Directories, symbolic links and other special entries, and entries without a Unix mode,
// leave the file as extraction made it. False only when a mode was due and could not be set.
bool ApplyEntryMode(const CString& path, const ZipEntryInfo& info);

// Makes the regular file `path` executable when nobody may execute it yet: execute for
// each class that may read it (the owner at least). False when it is no regular file or the
// change fails.
bool MakeProgramExecutable(const CString& path);
