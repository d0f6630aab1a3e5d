// Puts a staged pack in place as one transaction: the plan of renames is worked out and
// checked first, written to the journal, carried out, put on the disk and then marked
// committed; a failure before that point undoes every change.
#pragma once

#include "download/journal.h"
#include "download/stage.h"

// Plans the renames that put the staged file `stagedFile` (relative to `baseDir`) in place as
// `targetName`. `programName` is the program file of the pack: when the pack replaces it, the
// program becomes its backup (the older backup goes); any other replaced file goes when the
// pack is committed. On failure `error` says why.
bool PlanStagedFile(const Stage& stage, int pack, const CString& stagedFile,
                    const CString& targetName, const CString& programName, InstallPlan& plan,
                    CString& error);

// As PlanStagedFile for every file and directory of the staged tree `stagedTree`, which is
// laid over the program directory: directories are merged, files replaced. A staged file where
// the program directory has a directory, or a staged directory where it has anything else
// (a symbolic link included, through which files would land outside it), fails the plan.
bool PlanStagedTree(const Stage& stage, int pack, const CString& stagedTree,
                    const CString& programName, InstallPlan& plan, CString& error);

// Carries out `plan` in `baseDir`. Gives true when the commit point was reached; then the
// journal is removed. Otherwise `error` says why and `previousKept` whether every change was
// undone (when it was not, the journal stays for recovery at the next start). `fileInUse`
// tells that a file of the program directory was held open by another program (Windows):
// `error` is then the whole status line, "app.exe is in use; close the application and press
// Update again.".
bool CommitInstall(const CString& baseDir, const InstallPlan& plan, CString& error,
                   bool& previousKept, bool& fileInUse);

// Undoes the moves of `plan` that happened, newest first, and removes the directories it
// made. Can be broken off at any point and run again. Gives false when a change could not be
// undone.
bool RollBackInstall(const CString& baseDir, const InstallPlan& plan);
