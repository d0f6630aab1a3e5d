// The intent journal of an installation: what is made, and which rename follows which, written
// to the disk before the first change of the program directory, and marked once every change
// is on the disk (the commit point). Recovery at start reads it to undo or finish the work.
#pragma once

#include <vector>

#include "platform/text.h"

// One rename, with both names relative to the program directory. Its target is free when it
// runs, so whether it happened can be told from the names alone.
struct InstallMove {
    CString from;
    CString to;
};

struct InstallPlan {
    std::vector<CString> newDirs;    // made before the moves, parents first
    std::vector<InstallMove> moves;  // in the order they run
};

enum class JournalState {
    kNone,        // no journal: no installation was under way
    kPending,     // written, commit point not reached: the changes are undone
    kCommitted,   // commit point reached: the installation is finished
    kUnreadable,  // present but not understood: left alone
};

// Writes the journal for `plan` in `baseDir` (which ends in the separator) beside a temporary
// name, puts it on the disk and gives it its name. On failure `error` says why, and no journal
// is left.
bool WriteJournal(const CString& baseDir, const InstallPlan& plan, CString& error);

// Marks the journal committed, on the disk before it gives true.
bool MarkJournalCommitted(const CString& baseDir, CString& error);

// Reads the journal of `baseDir`; `plan` is filled for kPending and kCommitted.
JournalState ReadJournal(const CString& baseDir, InstallPlan& plan);

// Removes the journal (and a temporary one that was never named). Gives false when it stays.
bool RemoveJournal(const CString& baseDir);
