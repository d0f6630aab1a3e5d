#include "download/recovery.h"

#include "download/backup.h"
#include "download/install_step.h"
#include "download/install_transaction.h"
#include "download/journal.h"
#include "download/pack_file.h"
#include "download/stage.h"
#include "platform/directory.h"
#include "platform/install_lock.h"
#include "platform/path.h"

namespace {

// The temporaries of an unpack into the program directory that was broken off.
void RemoveExtractLeftovers(const CString& baseDir) {
    for (const CString& name : ListDirectory(baseDir)) {
        if (name.starts_with(u".extract-") && name.ends_with(u".tmp") &&
            GetPathKind(baseDir + name) == PathKind::kFile) {
            BeforeInstallStep();
            DeleteFileW(baseDir + name);
        }
    }
}

void PutBackupBack(const CString& programPath) {
    const size_t slash = programPath.find_last_of(kPathSeparator);
    const CString dir = programPath.substr(0, slash == CString::npos ? 0 : slash + 1);
    const CString backup = dir + BackupFileName(programPath.substr(dir.size()));
    if (GetPathKind(programPath) != PathKind::kMissing || GetPathKind(backup) != PathKind::kFile)
        return;
    BeforeInstallStep();
    MoveFileExW(backup, programPath, MOVEFILE_WRITE_THROUGH);
}

}  // namespace

void RecoverProgramDirectory(const CString& baseDir, const CString& programPath) {
    InstallLock lock;
    if (lock.TryAcquire(baseDir + CString(kLockFileName)) == InstallLock::kAcquired)
        RecoverHeldProgramDirectory(baseDir, programPath);
}

bool RecoverHeldProgramDirectory(const CString& baseDir, const CString& programPath) {
    InstallPlan plan;
    switch (ReadJournal(baseDir, plan)) {
        case JournalState::kUnreadable:
            return false;  // what it describes cannot be undone safely: left as it is
        case JournalState::kPending:
            if (!RollBackInstall(baseDir, plan))
                return false;  // tried again at the next start
            break;
        case JournalState::kCommitted:
        case JournalState::kNone:
            break;
    }
    if (!RemoveJournal(baseDir))
        return false;
    const CString stage = baseDir + CString(kStageDirName);
    if (GetPathKind(stage) != PathKind::kMissing) {
        BeforeInstallStep();
        RemoveTree(stage);
    }
    PackFile::RemoveLeftovers(baseDir);
    RemoveExtractLeftovers(baseDir);
    if (!programPath.empty())
        PutBackupBack(programPath);
    return true;
}
