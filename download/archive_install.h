// Installs an archive pack: unpacks the downloaded ZIP archive into the program directory.
#pragma once

#include <vector>

#include "platform/text.h"

// Whether a pack stored under `localPath` is an archive: its last three characters are "zip"
// in any letter case (no full stop needed before them).
bool IsArchivePack(const CString& localPath);

// Checks every entry of the archive at `archivePath` before anything is written: an entry
// that cannot be described, or whose name is absolute, starts with a drive letter, has an
// empty or ".." component ('/' and '\' both separate), refuses the whole pack. Then extracts
// every entry under `baseDir` (which ends in the separator), each placed whole or not at all,
// with the directories it needs. Gives true when the archive opened and every entry was
// extracted. Files whose entries carry Unix permissions get them; their names (relative to
// `baseDir`, '/'-separated) go to `withModes` when it is given. The archive file itself is
// left to the caller.
bool InstallArchive(const CString& archivePath, const CString& baseDir,
                    std::vector<CString>* withModes = nullptr);

// Whether an entry name stays inside the directory it is unpacked into.
bool IsSafeEntryName(const CString& name);
