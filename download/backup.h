// Backup and restore of the program file that a pack installs, in the program directory.
//
// For a pack URL, the pack file name is the text after its last '/'; the stem is that name
// before its last full stop (empty when it has none); the program file is the stem followed by
// ".exe" and its backup the stem followed by ".bak", both in `baseDir` (which ends in the path
// separator). One backup generation per stem. Both operations are silent: they report nothing
// and a failure leaves the files as they were.
#pragma once

#include "platform/text.h"

// The backup name of a program file name: the name cut before its last full stop, followed
// by ".bak" ("app.exe" gives "app.bak", ".exe" gives ".bak"); a name without a full stop gets
// ".bak" appended.
CString BackupFileName(const CString& programFileName);

// Renames the program file of `packUrl` to its backup, replacing an older backup in one step.
// Without a program file nothing changes: an older backup is kept, since it may be the only
// copy of the program (a run that ended between backup and installation).
void BackupProgram(const CString& baseDir, const CString& packUrl);

// Puts the backup of `packUrl` back in place of its program file, replacing it in one step.
// Without a backup nothing changes: the program file is never removed then.
void RestoreProgram(const CString& baseDir, const CString& packUrl);
